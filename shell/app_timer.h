#pragma once
// The application timer: one process-wide clock with start, stop, application time and
// elapsed time. It runs on the high-resolution performance counter when the machine has
// one and falls back to the multimedia millisecond time otherwise. The timer starts out
// stopped. Not thread-safe: everything runs on the user-interface thread.

#include <windows.h>

/// Commands of AppTimer.
enum AppTimerCommand : int {
    kTimerStart = 1,
    kTimerStop = 2,
    kTimerAppTime = 5,
    kTimerElapsed = 6,
};

/// Runs one command on the process-wide timer; returns seconds for the two queries, 0 otherwise.
double AppTimer(int command);

/// The timer's state machine. AppTimer keeps one of these for the whole process; tests drive
/// their own with a scripted clock.
class CAppTimer {
  public:
    using CounterClock = LONGLONG (*)();  ///< performance-counter ticks
    using MillisecondClock = DWORD (*)(); ///< milliseconds, wrapping at 2^32

    /// A timer on a tick counter with the given ticks per second.
    CAppTimer(LONGLONG frequency, CounterClock clock);
    /// A timer on a millisecond clock (the fallback without a performance counter).
    explicit CAppTimer(MillisecondClock clock);

    double Command(int command);
    bool UsesCounter() const { return usesCounter; }

  private:
    double CounterCommand(int command);
    double MillisecondCommand(int command);

    bool usesCounter;
    bool stopped = true;

    LONGLONG frequency = 0;
    CounterClock counterClock = nullptr;
    LONGLONG stopTicks = 0; ///< 0: no stop time set
    LONGLONG baseTicks = 0;
    LONGLONG lastElapsedTicks = 0;

    MillisecondClock millisecondClock = nullptr;
    double stopSeconds = 0.0; ///< 0.0: no stop time set
    double baseSeconds = 0.0;
    double lastElapsedSeconds = 0.0;
};
