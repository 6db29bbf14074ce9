#include "puzzle/turn_driver.h"

#include "puzzle/turn_hooks.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

namespace {

class SystemTicks : public TurnTicks {
  public:
    std::uint32_t Now() override { return GetTickCount(); }
    // Sleeping rather than spinning keeps the wait from burning a core; the step still
    // lasts at least the delay, which is all the animation relies on.
    void Pause() override { Sleep(1); }
};

class SystemRandom : public TurnRandom {
  public:
    void Seed() override { std::srand(static_cast<unsigned>(std::time(nullptr))); }
    int Next() override { return std::rand(); }
};

} // namespace

TurnTicks& SystemTurnTicks()
{
    static SystemTicks ticks;
    return ticks;
}

TurnRandom& SystemTurnRandom()
{
    static SystemRandom random;
    return random;
}

TurnDriver::TurnDriver(CubeModel& cube, TurnHooks* hooks, TurnTicks& ticks, TurnRandom& random)
    : cube(cube), hooks(hooks), ticks(ticks), random(random)
{
}

bool TurnDriver::StartTurn(TurnCode code)
{
    if (TurnInProgress) return false;
    CurrentTurn = code;
    if (!StepBackPending) TurnHistory.push_back(InverseTurn(code));
    TurnInProgress = true;
    return true;
}

void TurnDriver::AdvanceTurn()
{
    if (!TurnInProgress) return;
    const std::uint32_t t0 = ticks.Now();
    if (TurnStep == kStepsPerTurn) {
        TurnInProgress = false;
        TurnStep = 0;
        FinishTurn();
        return;
    }
    cube.RotateLayerStep(CurrentTurn);
    WaitForStepDelay(t0);
    ++TurnStep;
}

void TurnDriver::WaitForStepDelay(std::uint32_t t0)
{
    // Unsigned difference, so the wait is right across the tick count's wrap-around.
    while (ticks.Now() - t0 < TurnStepDelay)
        ticks.Pause();
}

void TurnDriver::FinishTurn()
{
    if (!cube.IsSolved()) return;
    EmptyHistory();
    if (hooks) hooks->OnCubeSolved();
}

TurnCode TurnDriver::ChooseScrambleTurn()
{
    const int a = random.Next() % kLastTurnCode;
    TurnCode c = a + 1;
    // Never the same turn twice, nor a turn followed by its undoing; each rule applied once.
    if (c == LastScrambleTurn) {
        c = a + 2;
        if (c == kLastTurnCode + 1) c = kFirstTurnCode;
    }
    if (c == InverseTurn(LastScrambleTurn)) {
        c = c + 1;
        if (c == kLastTurnCode + 1) c = kFirstTurnCode;
    }
    return c;
}

void TurnDriver::AdvanceScramble()
{
    if (!Scrambling) return;
    const TurnCode c = ChooseScrambleTurn();
    if (StartTurn(c)) {
        if (ScrambleCount < ScrambleLength) {
            ++ScrambleCount;
        } else {
            ScrambleCount = 0;
            ScrambleLength = 0;
            Scrambling = false;
            TurnStepDelay = kDefaultStepDelay;
            if (hooks) hooks->OnScrambleFinished();
        }
        // Only a turn that started counts as the last one: remembering refused draws too would
        // let the next started turn undo the previous one, and a short scramble could cancel out.
        LastScrambleTurn = c;
    }
}

void TurnDriver::RequestStepBack()
{
    StepBackPending = true;
    if (TurnHistory.empty()) StepBackPending = false;
}

void TurnDriver::AdvanceStepBack()
{
    if (!StepBackPending) return;
    // StepBackPending is still set, so the undoing turn is not recorded itself.
    if (!TurnHistory.empty() && StartTurn(TurnHistory.back())) TurnHistory.pop_back();
    StepBackPending = false;
}

void TurnDriver::ResetCube()
{
    // A turn still animating would otherwise go on rotating its layer of the restored cube
    // and leave it part-turned; the reset cancels it instead.
    TurnInProgress = false;
    TurnStep = 0;
    CurrentTurn = kNoTurn;
    EmptyHistory();
    cube.RestoreSolved();
}

void TurnDriver::StartScramble(int length)
{
    ResetCube();
    TurnStepDelay = 0;
    random.Seed();
    ScrambleLength = length;
    Scrambling = true;
}

void TurnDriver::StartTrainingScramble(int numberRotate)
{
    StartScramble(numberRotate);
}

void TurnDriver::StartTimedScramble()
{
    StartScramble(kTimedScrambleLength);
}

void TurnDriver::EmptyHistory()
{
    std::vector<TurnCode>().swap(TurnHistory);
}

bool TurnDriver::CanStepBackOrReset(bool timedMode) const
{
    return !Scrambling && !timedMode && !TurnHistory.empty();
}
