#pragma once
// The game keeps paths as Windows-1251 bytes (the background picture in the settings, the model
// and texture files). They are opened through the wide file functions: an "A" function reads
// the bytes in the system's ANSI code page (1252 on most non-Russian Windows and under Wine's
// default locale), where a folder such as "Фоновые картинки" names a file that does not exist.

#include <windows.h>

/// CreateFileW for reading an existing file named by Windows-1251 bytes; INVALID_HANDLE_VALUE
/// when it cannot be opened (or `path` is null).
HANDLE OpenForReading1251(const char* path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE);

/// True when the file named by Windows-1251 bytes exists and can be opened for reading.
bool CanOpenForReading1251(const char* path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE);
