#pragma once
// An opt-in log of presented frames, for the benchmarks. With TESSARON_FRAME_LOG=<path> in the
// environment at start, every presented frame leaves the performance-counter reading taken just
// after it was shown, together with a mark the application gives the frame, in a buffer that is
// allocated once; the buffer is written to <path> when the log goes. Without the variable nothing
// is allocated and a stamp is one test of an empty buffer.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CFrameLog {
public:
    static constexpr wchar_t kEnvironmentName[] = L"TESSARON_FRAME_LOG";
    /// About twenty minutes at two hundred frames a second; later frames are not logged.
    static constexpr std::size_t kCapacity = 1u << 18;

    /// Reads the environment once.
    CFrameLog();
    /// Writes what was logged (text: the counter frequency, then one "counter mark" line per frame).
    ~CFrameLog();
    CFrameLog(const CFrameLog&) = delete;
    CFrameLog& operator=(const CFrameLog&) = delete;

    bool Enabled() const { return records != nullptr; }
    /// Notes one presented frame.
    void Stamp(std::uint32_t mark)
    {
        if (!records || count == kCapacity) return;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        records[count++] = {now.QuadPart, mark};
    }
    /// Writes the log now; returns false when the file cannot be written.
    bool Flush();

private:
    struct Record {
        std::int64_t counter;
        std::uint32_t mark;
    };
    std::unique_ptr<Record[]> records;
    std::size_t count = 0;
    std::wstring path;
    bool flushed = false;
};
