#pragma once
// Turns over time: starting a turn, animating it one 15-degree step per frame, the move
// history with step back, the random scramble and the puzzle commands. Driven once per
// rendered frame (AdvanceTurn, AdvanceScramble, AdvanceStepBack, in this order); reports
// to the play modes through TurnHooks.

#include "puzzle/cube_model.h"

#include <cstdint>
#include <vector>

class TurnHooks;

/// Millisecond tick count and a way to wait for it; tests substitute a fake clock.
class TurnTicks {
  public:
    virtual ~TurnTicks() = default;
    virtual std::uint32_t Now() = 0;
    /// Gives up the thread briefly while waiting for the tick count to move on.
    virtual void Pause() = 0;
};

/// The scramble's pseudo-random numbers; tests substitute a scripted sequence.
class TurnRandom {
  public:
    virtual ~TurnRandom() = default;
    /// Seeds the generator from the calendar time; done at every scramble command.
    virtual void Seed() = 0;
    /// The next non-negative pseudo-random value.
    virtual int Next() = 0;
};

/// GetTickCount, waited for with Sleep.
TurnTicks& SystemTurnTicks();
/// The runtime library's rand, seeded with srand(time(NULL)).
TurnRandom& SystemTurnRandom();

class TurnDriver {
  public:
    static constexpr int kStepsPerTurn = 6;
    static constexpr std::uint32_t kDefaultStepDelay = 30; ///< milliseconds per animation step
    static constexpr int kTimedScrambleLength = 29;        ///< a timed scramble makes 30 turns

    explicit TurnDriver(CubeModel& cube, TurnHooks* hooks = nullptr, TurnTicks& ticks = SystemTurnTicks(),
                        TurnRandom& random = SystemTurnRandom());
    TurnDriver(const TurnDriver&) = delete;
    TurnDriver& operator=(const TurnDriver&) = delete;

    void SetHooks(TurnHooks* turnHooks) { hooks = turnHooks; }

    /// Starts a turn unless one is animating; records its inverse unless a step back is pending.
    bool StartTurn(TurnCode code);
    /// One animation step of the running turn, or its completion in the frame after the sixth step.
    void AdvanceTurn();
    /// After a completed turn: a solved cube empties the history and reports OnCubeSolved.
    void FinishTurn();
    /// Starts the next scramble turn when no turn is animating.
    void AdvanceScramble();
    /// "Шаг обратно": asks the next frame to undo the last recorded turn.
    void RequestStepBack();
    /// Serves a step-back request; a request meeting an animating turn is dropped.
    void AdvanceStepBack();
    /// "Собрать кубик": cancels an animating turn, empties the history, restores the solved cube.
    void ResetCube();
    /// "Тренировка сборки": reset, then a scramble of numberRotate + 1 turns at full speed.
    void StartTrainingScramble(int numberRotate);
    /// "Сборка на время": reset, then a scramble of 30 turns at full speed.
    void StartTimedScramble();
    /// Empties the move history and releases its storage.
    void EmptyHistory();
    /// Enable rule of "Шаг обратно" and "Собрать кубик".
    bool CanStepBackOrReset(bool timedMode) const;

    bool TurnInProgress = false;
    TurnCode CurrentTurn = kNoTurn;
    int TurnStep = 0;                                ///< animation steps done of the current turn, 0..6
    std::uint32_t TurnStepDelay = kDefaultStepDelay; ///< 0 while a scramble runs
    std::vector<TurnCode> TurnHistory;               ///< inverse of each recorded turn, oldest first
    bool StepBackPending = false;                    ///< while true, started turns are not recorded
    bool Scrambling = false;
    int ScrambleLength = 0;              ///< the running scramble makes ScrambleLength + 1 turns
    int ScrambleCount = 0;               ///< turns started by the running scramble, reset only when it ends
    TurnCode LastScrambleTurn = kNoTurn; ///< kept across scrambles

  private:
    void StartScramble(int length);
    TurnCode ChooseScrambleTurn();
    void WaitForStepDelay(std::uint32_t t0);

    CubeModel& cube;
    TurnHooks* hooks;
    TurnTicks& ticks;
    TurnRandom& random;
};
