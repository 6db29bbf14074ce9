#include "shell/resource_report.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>

namespace {

// The process's GDI handle table, as the PEB points to it: 24-byte entries, the object's type
// in byte 14, zero for a free entry. 65536 entries at most.
constexpr std::size_t kGdiTableOffsetInPeb = 0xF8;
constexpr std::size_t kGdiEntrySize = 24;
constexpr std::size_t kGdiEntryTypeOffset = 14;
constexpr std::size_t kGdiMaxEntries = 0x10000;

// The thread block holds the process block's address at gs:0x60 (64-bit). Read directly, as the
// header's own reader trips a false array-bounds warning of the compiler.
const BYTE* ProcessEnvironmentBlock()
{
    const BYTE* peb = nullptr;
    asm("movq %%gs:0x60, %0" : "=r"(peb));
    return peb;
}

DWORD CountGdiTableEntries()
{
    const BYTE* peb = ProcessEnvironmentBlock();
    const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + kGdiTableOffsetInPeb);
    MEMORY_BASIC_INFORMATION region{};
    if (!table || !VirtualQuery(table, &region, sizeof region) || region.State != MEM_COMMIT) return 0;
    // Only the committed part of the table is read.
    const std::size_t readable = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize - table;
    const std::size_t entries = std::min(kGdiMaxEntries, readable / kGdiEntrySize);
    DWORD count = 0;
    for (std::size_t i = 0; i < entries; ++i)
        if (table[i * kGdiEntrySize + kGdiEntryTypeOffset] != 0) ++count;
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter)
{
    ++*reinterpret_cast<DWORD*>(counter);
    EnumChildWindows(window, CountWindow, counter);
    return TRUE;
}

DWORD CountThreadWindows()
{
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

ProcessResources CurrentProcessResources()
{
    ProcessResources resources;
    const HANDLE process = GetCurrentProcess();
    resources.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    if (resources.gdiObjects == 0) resources.gdiObjects = CountGdiTableEntries();
    resources.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    resources.windows = CountThreadWindows();
    GetProcessHandleCount(process, &resources.handles); // stays 0 where the system cannot say
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        // Wine leaves PrivateUsage at 0 but fills the page-file usage, which is the same figure.
        resources.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
        resources.workingSet = memory.WorkingSetSize;
    }
    return resources;
}

std::string FormatResources(const char* label, const ProcessResources& resources)
{
    char line[256];
    std::snprintf(line, sizeof line, "%s gdi=%lu user=%lu windows=%lu handles=%lu private_kb=%llu working_set_kb=%llu",
                  label, resources.gdiObjects, resources.userObjects, resources.windows, resources.handles,
                  static_cast<unsigned long long>(resources.privateBytes / 1024),
                  static_cast<unsigned long long>(resources.workingSet / 1024));
    return line;
}

ResourceReport::ResourceReport()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kVariable, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) path.assign(buffer, length);
    lastSample = GetTickCount();
}

void ResourceReport::SampleWhenDue()
{
    if (!Enabled() || GetTickCount() - lastSample < kIntervalMs) return;
    Sample("idle");
}

void ResourceReport::Sample(const char* label)
{
    if (!Enabled()) return;
    lastSample = GetTickCount();
    const std::string line = FormatResources(label, CurrentProcessResources()) + "\n";
    FILE* file = _wfopen(path.c_str(), L"ab");
    if (!file) return; // a report that cannot be written is simply missing
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}
