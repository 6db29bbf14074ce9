#include "framework/file_path_1251.h"

#include "framework/code_page_1251.h"

HANDLE OpenForReading1251(const char* path, DWORD share)
{
    if (!path) return INVALID_HANDLE_VALUE;
    return CreateFileW(Cp1251ToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool CanOpenForReading1251(const char* path, DWORD share)
{
    const HANDLE file = OpenForReading1251(path, share);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}
