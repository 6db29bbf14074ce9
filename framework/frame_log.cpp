#include "framework/frame_log.h"

#include <cstdio>
#include <new>

CFrameLog::CFrameLog()
{
    wchar_t name[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kEnvironmentName, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    path.assign(name, length);
    records.reset(new (std::nothrow) Record[kCapacity]); // a log that cannot be had is simply off
}

CFrameLog::~CFrameLog() { Flush(); }

bool CFrameLog::Flush()
{
    if (!records || flushed) return true;
    flushed = true;
    std::FILE* file = _wfopen(path.c_str(), L"w");
    if (!file) return false;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::fprintf(file, "frequency %lld\n", static_cast<long long>(frequency.QuadPart));
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(file, "%lld %u\n", static_cast<long long>(records[i].counter), records[i].mark);
    return std::fclose(file) == 0;
}
