#pragma once
// Reading and writing single settings on an open key. A read that fails (value missing, longer
// than the destination, not accessible) stores the default; a read never writes past its
// destination, whatever the stored size or type. The results are HRESULTs: S_OK when the stored
// value was taken, the failure otherwise (the default then applies).
// Text is the game's Windows-1251 bytes in memory and UTF-16 in the registry, converted
// explicitly: the ANSI functions would convert it with the system's code page, which is 1251
// only on a Russian system.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

/// Tells whether a reading of a stored text is the one the caller looks for (for a path: one
/// that names an existing file).
using TextWanted = std::function<bool(const std::string& cp1251Text)>;

/// A 4-byte value. A shorter stored value replaces only the leading bytes of `destination`.
HRESULT ReadDwordSetting(HKEY key, const char* name, DWORD* destination, DWORD defaultValue);

/// Windows-1251 text into `buffer`, always zero-terminated within `bufferSize` bytes. A stored
/// text that does not fit together with its terminator counts as too long; the default is then
/// cut to fit. A string value is read as Cp1251OfStoredText tells; a value of another type gives
/// its bytes as they are.
HRESULT ReadStringSetting(HKEY key, const char* name, char* buffer, DWORD bufferSize, const char* defaultText,
                          const TextWanted& wanted = nullptr);

/// The Windows-1251 text of at most `maxLength` bytes that the string value `stored` stands for
/// on a system whose ANSI code page is `ansiCodePage`; values written by the earlier version
/// through the ANSI functions included (the rule is at the definition).
std::string Cp1251OfStoredText(std::wstring_view stored, unsigned ansiCodePage, std::size_t maxLength,
                               const TextWanted& wanted);

/// A block of `size` bytes. A shorter stored block replaces only the leading bytes; on failure
/// the whole `defaultBlock` is copied.
HRESULT ReadBinarySetting(HKEY key, const char* name, void* destination, DWORD size,
                          const void* defaultBlock);

/// REG_DWORD, 4 bytes.
HRESULT WriteDwordSetting(HKEY key, const char* name, DWORD value);
/// REG_SZ, the Windows-1251 text as UTF-16 with its terminator; a null text is refused and
/// nothing is written.
HRESULT WriteStringSetting(HKEY key, const char* name, const char* text);
/// REG_BINARY, `size` bytes.
HRESULT WriteBinarySetting(HKEY key, const char* name, const void* data, DWORD size);
