#pragma once
// Reading and writing single settings on an open key. A read that fails (value missing, longer
// than the destination, not accessible) stores the default; a read never writes past its
// destination, whatever the stored size or type. The results are HRESULTs: S_OK when the stored
// value was taken, the failure otherwise (the default then applies).

#include <windows.h>

/// A 4-byte value. A shorter stored value replaces only the leading bytes of `destination`.
HRESULT ReadDwordSetting(HKEY key, const char* name, DWORD* destination, DWORD defaultValue);

/// Text into `buffer`, always zero-terminated within `bufferSize` bytes. A stored text that does
/// not fit together with its terminator counts as too long; the default is then cut to fit.
HRESULT ReadStringSetting(HKEY key, const char* name, char* buffer, DWORD bufferSize,
                          const char* defaultText);

/// A block of `size` bytes. A shorter stored block replaces only the leading bytes; on failure
/// the whole `defaultBlock` is copied.
HRESULT ReadBinarySetting(HKEY key, const char* name, void* destination, DWORD size,
                          const void* defaultBlock);

/// REG_DWORD, 4 bytes.
HRESULT WriteDwordSetting(HKEY key, const char* name, DWORD value);
/// REG_SZ, the text and its terminator; a null text is refused and nothing is written.
HRESULT WriteStringSetting(HKEY key, const char* name, const char* text);
/// REG_BINARY, `size` bytes.
HRESULT WriteBinarySetting(HKEY key, const char* name, const void* data, DWORD size);
