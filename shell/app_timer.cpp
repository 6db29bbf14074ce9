#include "shell/app_timer.h"

#include <mmsystem.h>

namespace {

LONGLONG ReadPerformanceCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now); // cannot fail once QueryPerformanceFrequency succeeded
    return now.QuadPart;
}

DWORD ReadMultimediaTime()
{
    return timeGetTime();
}

/// Decided on first use, as the counter's presence does not change while the program runs.
CAppTimer& ProcessTimer()
{
    static CAppTimer timer = [] {
        LARGE_INTEGER frequency;
        if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
            return CAppTimer(frequency.QuadPart, ReadPerformanceCounter);
        return CAppTimer(ReadMultimediaTime);
    }();
    return timer;
}

} // namespace

double AppTimer(int command)
{
    return ProcessTimer().Command(command);
}

CAppTimer::CAppTimer(LONGLONG frequency, CounterClock clock)
    : usesCounter(true), frequency(frequency), counterClock(clock)
{
}

CAppTimer::CAppTimer(MillisecondClock clock) : usesCounter(false), millisecondClock(clock) {}

double CAppTimer::Command(int command)
{
    return usesCounter ? CounterCommand(command) : MillisecondCommand(command);
}

double CAppTimer::CounterCommand(int command)
{
    // A set stop time freezes the clock for every command but start.
    const LONGLONG now = (stopTicks != 0 && command != kTimerStart) ? stopTicks : counterClock();
    const double perTick = 1.0 / static_cast<double>(frequency);

    switch (command) {
    case kTimerStart:
        if (stopped) baseTicks += now - stopTicks;
        stopTicks = 0;
        lastElapsedTicks = now;
        stopped = false;
        return 0.0;
    case kTimerStop:
        if (!stopped) {
            stopTicks = now;
            lastElapsedTicks = now;
            stopped = true;
        }
        return 0.0;
    case kTimerAppTime:
        return static_cast<double>(now - baseTicks) * perTick;
    case kTimerElapsed: {
        const double elapsed = static_cast<double>(now - lastElapsedTicks) * perTick;
        lastElapsedTicks = now;
        return elapsed;
    }
    default:
        return 0.0;
    }
}

double CAppTimer::MillisecondCommand(int command)
{
    const double now = (stopSeconds != 0.0 && command != kTimerStart)
                           ? stopSeconds
                           : static_cast<double>(millisecondClock()) * 0.001;

    switch (command) {
    case kTimerStart:
        if (stopped) baseSeconds += now - stopSeconds;
        stopSeconds = 0.0;
        lastElapsedSeconds = now;
        stopped = false;
        return 0.0;
    case kTimerStop:
        if (!stopped) {
            stopSeconds = now;
            lastElapsedSeconds = now;
            stopped = true;
        }
        return 0.0;
    case kTimerAppTime:
        return now - baseSeconds;
    case kTimerElapsed: {
        const double elapsed = now - lastElapsedSeconds;
        lastElapsedSeconds = now;
        return elapsed;
    }
    default:
        return 0.0;
    }
}
