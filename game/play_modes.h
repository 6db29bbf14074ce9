#pragma once
// Training and timed solving with the one-second stopwatch. The cube core reports the end of a
// scramble and a solved cube through TurnHooks; a recordable timed solve goes into the champion
// table under the current player's name.
//
// The form calls RefreshStopwatch once every frame whether or not the stopwatch is shown, so a
// timed solve is measured (and recorded) even while the overlay does not draw it.

#include "game/champion_table.h"
#include "game/player_names.h"
#include "game/time_span.h"
#include "puzzle/turn_hooks.h"

#include <cstdint>
#include <functional>
#include <string>

/// Calendar seconds since 1970-01-01 00:00 UTC; the game's clock is _time64(NULL).
using CalendarClock = std::function<std::int64_t()>;
std::int64_t SystemCalendarSeconds();

struct PlayState {
    bool TimedMode = false;          ///< a timed attempt is under way
    bool StopwatchRunning = false;   ///< the stopwatch is counting
    TimeSpan ElapsedTime = 0;        ///< last reading: what is shown and what a result records
    std::int64_t StopwatchStart = 0; ///< calendar second the stopwatch counts from; 0 until the first refresh
};

class PlayModes : public TurnHooks {
  public:
    /// `emptyHistory` empties the cube core's move history; the names and the table must outlive this.
    PlayModes(ChampionTable& champions, const PlayerNames& names, std::function<void()> emptyHistory,
              CalendarClock clock = SystemCalendarSeconds);

    /// After the training scramble has been started: ends any timed attempt, stopwatch back to 0.
    void StartTraining();
    /// After the timed scramble has been started. A stopwatch still running from an abandoned
    /// attempt is stopped, so the new attempt counts from its own scramble.
    void StartTimedSolve();

    void OnScrambleFinished() override;
    void OnCubeSolved() override;

    /// One frame's stopwatch step: while stopped it keeps moving the start to now, while running
    /// it reads now − start.
    void RefreshStopwatch();
    /// The last reading as "HH:MM:SS", for the overlay.
    std::string StopwatchText() const { return FormatTime(state.ElapsedTime); }

    const PlayState& State() const { return state; }

  private:
    ChampionTable& champions;
    const PlayerNames& names;
    std::function<void()> emptyHistory;
    CalendarClock clock;
    PlayState state;
};
