#pragma once
// Stored names are Windows-1251 bytes in 20-byte fields; windows show UTF-16. These convert
// at that boundary, explicitly, whatever the system's ANSI code page is.

#include <cstddef>
#include <string>

constexpr std::size_t kNameFieldSize = 20;

/// The text of a field of up to `size` bytes, ending early at a zero byte.
std::wstring WideFromCp1251(const char* field, std::size_t size);
/// Writes `text` into a field of `size` bytes: the 1251 bytes (characters outside 1251 become
/// '?'), cut to `size`, then zero bytes up to `size` (no terminator when the text fills it).
void Cp1251FromWide(const std::wstring& text, char* field, std::size_t size);
