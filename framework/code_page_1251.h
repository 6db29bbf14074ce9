#pragma once
// Russian text is kept as Windows-1251 bytes (names in the registry, glyphs of the texture
// font). These conversions are explicit, so nothing depends on the system's ANSI code page.

#include <string>
#include <string_view>

/// UTF-8 (as our sources are written) to Windows-1251 bytes.
std::string Utf8ToCp1251(std::string_view utf8);
/// Windows-1251 bytes to UTF-16 for the wide-character platform calls.
std::wstring Cp1251ToWide(std::string_view bytes);
/// UTF-16 to Windows-1251 bytes; characters outside the code page become '?'.
std::string WideToCp1251(std::wstring_view wide);
