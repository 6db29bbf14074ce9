#pragma once
// What the process holds right now (GDI and USER objects, kernel handles, windows, memory), and
// an opt-in report of it for long test runs: when the environment variable
// TESSARON_RESOURCE_REPORT names a file, the application appends one line to it every few
// seconds while idle and one at exit. Off (and costing nothing) otherwise.
//
// Wine 8 answers GetGuiResources with 0; the GDI count then comes from the process's GDI handle
// table, and USER objects can only be followed through the number of windows.

#include <windows.h>

#include <string>

struct ProcessResources {
    DWORD gdiObjects = 0;  ///< GDI objects of the process (the handle table's count under Wine)
    DWORD userObjects = 0; ///< USER objects as the system reports them (0 under Wine)
    DWORD windows = 0;     ///< windows of the calling thread, top-level and child
    DWORD handles = 0;     ///< kernel handles (0 under Wine)
    SIZE_T privateBytes = 0; ///< committed private memory
    SIZE_T workingSet = 0;
};

ProcessResources CurrentProcessResources();

/// One report line: the label, then name=value pairs (memory in KiB).
std::string FormatResources(const char* label, const ProcessResources& resources);

class ResourceReport {
public:
    static constexpr wchar_t kVariable[] = L"TESSARON_RESOURCE_REPORT";
    static constexpr DWORD kIntervalMs = 2000;

    /// Reads the variable once; without it every call below does nothing.
    ResourceReport();

    bool Enabled() const { return !path.empty(); }
    /// Appends a line labelled "idle" when the interval has passed since the last line.
    void SampleWhenDue();
    /// Appends a line with the given label now.
    void Sample(const char* label);

private:
    std::wstring path;
    DWORD lastSample = 0;
};
