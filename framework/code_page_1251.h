#pragma once
// Russian text is kept as Windows-1251 bytes (names in the registry, glyphs of the texture
// font). These conversions are explicit, so nothing depends on the system's ANSI code page.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// UTF-8 (as our sources are written) to Windows-1251 bytes.
std::string Utf8ToCp1251(std::string_view utf8);
/// Windows-1251 bytes to UTF-16 for the wide-character platform calls.
std::wstring Cp1251ToWide(std::string_view bytes);
/// UTF-16 to Windows-1251 bytes; characters outside the code page become '?'.
std::string WideToCp1251(std::wstring_view wide);
/// UTF-16 to the bytes of `codePage`, only when they convert back to the same text: nothing
/// replaced by a default character or by a look-alike ("best fit").
std::optional<std::string> ExactlyInCodePage(unsigned codePage, std::wstring_view wide);

/// The text of a field of up to `size` bytes, ending early at a zero byte.
std::wstring WideFromCp1251(const char* field, std::size_t size);
/// Writes `text` into a field of `size` bytes: the 1251 bytes (characters outside 1251 become
/// '?'), cut to `size`, then zero bytes up to `size` (no terminator when the text fills it).
void Cp1251FromWide(const std::wstring& text, char* field, std::size_t size);
