#include "game/play_modes.h"

#include <ctime>
#include <utility>

std::int64_t SystemCalendarSeconds()
{
    return _time64(nullptr);
}

PlayModes::PlayModes(ChampionTable& champions, const PlayerNames& names, std::function<void()> emptyHistory,
                     CalendarClock clock)
    : champions(champions), names(names), emptyHistory(std::move(emptyHistory)), clock(std::move(clock))
{
}

void PlayModes::StartTraining()
{
    state.TimedMode = false;
    state.StopwatchRunning = false;
    state.ElapsedTime = 0;
}

void PlayModes::StartTimedSolve()
{
    state.TimedMode = true;
    state.StopwatchRunning = false;
    // ElapsedTime stays: the previous reading is shown until the new stopwatch starts.
}

void PlayModes::OnScrambleFinished()
{
    if (!state.TimedMode) return;
    state.StopwatchRunning = true;
    // Stepping back must never undo the scramble.
    if (emptyHistory) emptyHistory();
}

void PlayModes::OnCubeSolved()
{
    if (!state.TimedMode || !state.StopwatchRunning) return;
    if (state.ElapsedTime <= 0 || state.ElapsedTime >= RecordLimit) return;
    state.StopwatchRunning = false;
    state.TimedMode = false;
    champions.AddResult(ChampionRecord{state.ElapsedTime, names.Current()});
}

void PlayModes::RefreshStopwatch()
{
    const std::int64_t now = clock();
    if (state.StopwatchRunning)
        state.ElapsedTime = now - state.StopwatchStart;
    else
        state.StopwatchStart = now;
}
