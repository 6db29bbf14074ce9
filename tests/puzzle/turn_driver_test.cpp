#include "puzzle/turn_driver.h"

#include "puzzle/turn_hooks.h"
#include "support/cube_scene_builder.h"

#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <memory>

namespace {

/// A clock that only moves while the driver waits on it.
class FakeTicks : public TurnTicks {
  public:
    std::uint32_t now = 1000;
    int pauses = 0;
    std::uint32_t Now() override { return now; }
    void Pause() override
    {
        ++now;
        ++pauses;
    }
};


class RecordingHooks : public TurnHooks {
  public:
    int scrambleFinished = 0;
    int cubeSolved = 0;
    void OnScrambleFinished() override { ++scrambleFinished; }
    void OnCubeSolved() override { ++cubeSolved; }
};

bool SameTransforms(const CubeModel& a, const CubeModel& b)
{
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        for (int k = 0; k < 16; ++k)
            if (std::fabs((*a.PieceTable[i])[k] - (*b.PieceTable[i])[k]) > 1e-4f) return false;
    return true;
}

bool ExactlySolved(const CubeModel& model)
{
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        if (std::memcmp(model.PieceTable[i], &model.SolvedSnapshot[i], sizeof(D3DXMATRIX)) != 0) return false;
    return true;
}

class TurnDriverTest : public testing::Test {
  protected:
    std::unique_ptr<CSceneFrame> scene = test_support::BuildCubeScene();
    CubeModel cube;
    FakeTicks ticks;
    ScriptedRandom random;
    RecordingHooks hooks;
    TurnDriver driver{cube, &hooks, ticks, random};

    void SetUp() override { ASSERT_TRUE(cube.BindPieces(*scene)); }

    /// The per-frame steps in the order the render step runs them; true if a turn started.
    bool Frame()
    {
        driver.AdvanceTurn();
        const bool wasTurning = driver.TurnInProgress;
        driver.AdvanceScramble();
        driver.AdvanceStepBack();
        return !wasTurning && driver.TurnInProgress;
    }
    void CompleteTurn()
    {
        for (int frame = 0; frame < 7; ++frame)
            driver.AdvanceTurn();
        ASSERT_FALSE(driver.TurnInProgress);
    }
    /// Frames until the scramble is over and its last turn done; returns the turns started.
    int RunScramble()
    {
        int started = 0;
        for (int frame = 0; frame < 10000 && (driver.Scrambling || driver.TurnInProgress); ++frame)
            started += Frame();
        return started;
    }
};

/// A second cube turned directly, to compare against.
struct ReferenceCube {
    std::unique_ptr<CSceneFrame> scene = test_support::BuildCubeScene();
    CubeModel model;
    ReferenceCube() { EXPECT_TRUE(model.BindPieces(*scene)); }
    void Turn(TurnCode code)
    {
        for (int step = 0; step < 6; ++step)
            model.RotateLayerStep(code);
    }
};

} // namespace

TEST_F(TurnDriverTest, TurnTakesSixRotatingFramesAndACompletionFrame)
{
    EXPECT_TRUE(driver.StartTurn(3));
    EXPECT_EQ(driver.CurrentTurn, 3);
    EXPECT_EQ(driver.TurnHistory, std::vector<TurnCode>{7});

    // A second turn while the first animates is refused and not recorded.
    EXPECT_FALSE(driver.StartTurn(5));
    EXPECT_EQ(driver.CurrentTurn, 3);
    EXPECT_EQ(driver.TurnHistory.size(), 1u);

    ReferenceCube reference;
    for (int step = 1; step <= 6; ++step) {
        driver.AdvanceTurn();
        reference.model.RotateLayerStep(3);
        EXPECT_EQ(driver.TurnStep, step);
        EXPECT_TRUE(driver.TurnInProgress);
        EXPECT_TRUE(SameTransforms(cube, reference.model));
    }
    driver.AdvanceTurn();
    EXPECT_FALSE(driver.TurnInProgress);
    EXPECT_EQ(driver.TurnStep, 0);
    EXPECT_TRUE(SameTransforms(cube, reference.model));
    EXPECT_EQ(hooks.cubeSolved, 0);
    EXPECT_TRUE(driver.StartTurn(5));
}

TEST_F(TurnDriverTest, EachStepWaitsForTheDelayAndCompletionDoesNot)
{
    driver.StartTurn(1);
    for (int step = 0; step < 6; ++step) {
        const std::uint32_t before = ticks.now;
        driver.AdvanceTurn();
        EXPECT_GE(ticks.now - before, TurnDriver::kDefaultStepDelay) << step;
        EXPECT_LE(ticks.now - before, TurnDriver::kDefaultStepDelay + 1) << step;
    }
    const int pausesBefore = ticks.pauses;
    driver.AdvanceTurn();
    EXPECT_EQ(ticks.pauses, pausesBefore);

    // The wait measures an unsigned difference, so it holds across the tick count's wrap.
    ticks.now = 0xFFFFFFF0u;
    driver.StartTurn(9);
    driver.AdvanceTurn();
    EXPECT_EQ(ticks.now, 0xFFFFFFF0u + TurnDriver::kDefaultStepDelay);
}

TEST_F(TurnDriverTest, SolvingTurnEmptiesHistoryAndReportsOnce)
{
    driver.StartTurn(14);
    CompleteTurn();
    driver.StartTurn(6);
    CompleteTurn();
    driver.StartTurn(10);
    CompleteTurn();
    EXPECT_EQ(hooks.cubeSolved, 0);
    EXPECT_TRUE(driver.CanStepBackOrReset(false));
    driver.StartTurn(17);
    CompleteTurn();
    EXPECT_EQ(hooks.cubeSolved, 1);
    EXPECT_TRUE(driver.TurnHistory.empty());
    EXPECT_EQ(driver.TurnHistory.capacity(), 0u);
    EXPECT_FALSE(driver.CanStepBackOrReset(false));

    // Without hooks the same happens silently.
    driver.SetHooks(nullptr);
    driver.StartTurn(1);
    CompleteTurn();
    driver.StartTurn(9);
    CompleteTurn();
    EXPECT_TRUE(driver.TurnHistory.empty());
    EXPECT_EQ(hooks.cubeSolved, 1);
}

TEST_F(TurnDriverTest, StepBackUndoesOneTurnWithoutRecordingIt)
{
    driver.StartTurn(1);
    CompleteTurn();
    driver.StartTurn(4);
    CompleteTurn();
    EXPECT_EQ(driver.TurnHistory, (std::vector<TurnCode>{9, 12}));

    driver.RequestStepBack();
    EXPECT_TRUE(driver.StepBackPending);
    Frame();
    EXPECT_FALSE(driver.StepBackPending);
    EXPECT_EQ(driver.CurrentTurn, 12);
    EXPECT_EQ(driver.TurnHistory, std::vector<TurnCode>{9});
    for (int frame = 0; frame < 7; ++frame)
        Frame();
    EXPECT_FALSE(driver.TurnInProgress);
    EXPECT_EQ(driver.TurnHistory, std::vector<TurnCode>{9});

    ReferenceCube reference;
    reference.Turn(1);
    EXPECT_TRUE(SameTransforms(cube, reference.model));

    // The last entry walks the cube back to solved, which reports and empties the history.
    driver.RequestStepBack();
    for (int frame = 0; frame < 8; ++frame)
        Frame();
    EXPECT_TRUE(cube.IsSolved());
    EXPECT_EQ(hooks.cubeSolved, 1);
    EXPECT_TRUE(driver.TurnHistory.empty());

    // Nothing to undo: the request does not even stay pending.
    driver.RequestStepBack();
    EXPECT_FALSE(driver.StepBackPending);
}

TEST_F(TurnDriverTest, StepBackMeetingAnAnimatingTurnIsDropped)
{
    driver.StartTurn(2);
    CompleteTurn();
    driver.StartTurn(13);
    driver.RequestStepBack();
    driver.AdvanceStepBack();
    EXPECT_FALSE(driver.StepBackPending);
    EXPECT_EQ(driver.CurrentTurn, 13);
    EXPECT_EQ(driver.TurnHistory, (std::vector<TurnCode>{8, 18}));
    CompleteTurn();
    driver.AdvanceStepBack();
    EXPECT_FALSE(driver.TurnInProgress); // not kept for later
}

TEST_F(TurnDriverTest, EnableRuleOfStepBackAndReset)
{
    EXPECT_FALSE(driver.CanStepBackOrReset(false)); // empty history
    driver.StartTurn(1);
    EXPECT_TRUE(driver.CanStepBackOrReset(false));
    EXPECT_FALSE(driver.CanStepBackOrReset(true));
    driver.Scrambling = true;
    EXPECT_FALSE(driver.CanStepBackOrReset(false));
}

TEST_F(TurnDriverTest, TrainingScrambleMakesNumberRotatePlusOneTurns)
{
    driver.StartTurn(5);
    CompleteTurn();
    driver.StartTrainingScramble(3);
    EXPECT_TRUE(ExactlySolved(cube));
    EXPECT_TRUE(driver.TurnHistory.empty());
    EXPECT_EQ(driver.TurnStepDelay, 0u);
    EXPECT_EQ(random.seeds, 1);
    EXPECT_TRUE(driver.Scrambling);
    EXPECT_EQ(driver.ScrambleLength, 3);

    int pausesWhileScrambling = 0;
    int started = 0;
    for (int frame = 0; frame < 1000 && (driver.Scrambling || driver.TurnInProgress); ++frame) {
        const bool scrambling = driver.Scrambling;
        const int before = ticks.pauses;
        started += Frame();
        if (scrambling) pausesWhileScrambling += ticks.pauses - before;
    }
    EXPECT_EQ(started, 4);
    EXPECT_EQ(pausesWhileScrambling, 0);
    EXPECT_EQ(hooks.scrambleFinished, 1);
    EXPECT_FALSE(driver.Scrambling);
    EXPECT_EQ(driver.ScrambleCount, 0);
    EXPECT_EQ(driver.ScrambleLength, 0);
    EXPECT_EQ(driver.TurnStepDelay, TurnDriver::kDefaultStepDelay);

    // The history holds the scramble's inverses (unless a turn happened to solve the cube),
    // so stepping back walks it back to solved.
    EXPECT_TRUE(driver.CanStepBackOrReset(false) || cube.IsSolved());
    for (int undo = 0; undo < 4 && !driver.TurnHistory.empty(); ++undo) {
        driver.RequestStepBack();
        for (int frame = 0; frame < 8; ++frame)
            Frame();
    }
    EXPECT_TRUE(cube.IsSolved());
}

TEST_F(TurnDriverTest, ScrambleEndsWhenItsLastTurnStarts)
{
    class EndCheck : public TurnHooks {
      public:
        TurnDriver* driver = nullptr;
        bool turning = false, scrambling = true;
        void OnScrambleFinished() override
        {
            turning = driver->TurnInProgress;
            scrambling = driver->Scrambling;
            driver->EmptyHistory(); // as a timed attempt does
        }
        void OnCubeSolved() override {}
    } check;
    check.driver = &driver;
    driver.SetHooks(&check);
    driver.StartTimedScramble();
    EXPECT_EQ(driver.ScrambleLength, 29);
    const int started = RunScramble();
    EXPECT_EQ(started, 30);
    EXPECT_TRUE(check.turning);
    EXPECT_FALSE(check.scrambling);
    EXPECT_TRUE(driver.TurnHistory.empty());
    EXPECT_FALSE(driver.CanStepBackOrReset(false));
}

TEST_F(TurnDriverTest, RepeatedScrambleCommandKeepsTheCount)
{
    driver.StartTrainingScramble(3);
    while (driver.ScrambleCount < 2)
        Frame();
    driver.StartTrainingScramble(3);
    EXPECT_EQ(driver.ScrambleCount, 2);
    EXPECT_EQ(random.seeds, 2);
    EXPECT_TRUE(ExactlySolved(cube));
    EXPECT_EQ(RunScramble(), 3 + 1 - 2);
    EXPECT_EQ(hooks.scrambleFinished, 1);
}

TEST_F(TurnDriverTest, ScrambleChoiceRule)
{
    driver.Scrambling = true;
    driver.ScrambleLength = 1000000;
    auto choose = [&](TurnCode last, int draw) {
        driver.TurnInProgress = false;
        driver.LastScrambleTurn = last;
        random.scripted.push_back(draw);
        driver.AdvanceScramble();
        EXPECT_EQ(driver.LastScrambleTurn, driver.CurrentTurn);
        return driver.CurrentTurn;
    };
    // First step of the program: nothing to avoid.
    for (int a = 0; a < 18; ++a)
        EXPECT_EQ(choose(0, a), a + 1);
    EXPECT_EQ(choose(0, 18 + 4), 5); // draws are taken modulo 18

    EXPECT_EQ(choose(3, 2), 4);    // same as last: the next code
    EXPECT_EQ(choose(18, 17), 1);  // ... wrapping to 1
    EXPECT_EQ(choose(1, 8), 10);   // the inverse of the last: the code after it
    EXPECT_EQ(choose(13, 17), 1);  // ... wrapping to 1
    EXPECT_EQ(choose(15, 14), 17); // both rules, in this order
    EXPECT_EQ(choose(16, 14), 16); // the one repeat: 15 is 16's inverse, the code after it is 16

    for (TurnCode last = 1; last <= 18; ++last) {
        for (int a = 0; a < 18; ++a) {
            const TurnCode c = choose(last, a);
            EXPECT_GE(c, 1);
            EXPECT_LE(c, 18);
            EXPECT_NE(c, InverseTurn(last)) << last << " " << a;
            if (c == last) {
                EXPECT_TRUE(last == 16 && a == 14) << last << " " << a;
            }
        }
    }
}

TEST_F(TurnDriverTest, ScrambleStepDuringATurnOnlyDraws)
{
    driver.StartTrainingScramble(3);
    driver.StartTurn(7);
    random.scripted = {4};
    driver.AdvanceScramble();
    EXPECT_EQ(driver.LastScrambleTurn, 0) << "a refused draw is not the last scramble turn";
    EXPECT_EQ(driver.CurrentTurn, 7);
    EXPECT_EQ(driver.ScrambleCount, 0);
    EXPECT_EQ(driver.TurnHistory.size(), 1u);
}

TEST_F(TurnDriverTest, ScrambleWithTheRuntimeGeneratorNeverUndoesItsLastDraw)
{
    TurnDriver real(cube, &hooks);
    real.StartTimedScramble();
    int started = 0, draws = 0;
    for (int frame = 0; frame < 1000 && (real.Scrambling || real.TurnInProgress); ++frame) {
        real.AdvanceTurn();
        const bool wasTurning = real.TurnInProgress;
        const bool scrambling = real.Scrambling;
        const TurnCode previous = real.LastScrambleTurn;
        real.AdvanceScramble();
        if (!scrambling) continue;
        ++draws;
        if (wasTurning || !real.TurnInProgress) continue; // a refused draw changes nothing
        ++started;
        const TurnCode c = real.LastScrambleTurn;
        EXPECT_TRUE(c >= 1 && c <= 18) << c;
        EXPECT_NE(c, InverseTurn(previous)) << "two started scramble turns never undo each other";
        EXPECT_TRUE(c != previous || previous == 16);
        // Only the scramble's own turns are paced at full speed; keep its last one quick too,
        // since these tests never wait on the real clock.
        if (!real.Scrambling) real.TurnStepDelay = 0;
    }
    EXPECT_EQ(started, 30);
    EXPECT_GE(draws, started);
}

TEST_F(TurnDriverTest, ResetDuringATurnCancelsIt)
{
    driver.StartTurn(1);
    CompleteTurn();
    driver.StartTurn(6);
    for (int step = 0; step < 3; ++step)
        driver.AdvanceTurn();
    driver.ResetCube();
    EXPECT_FALSE(driver.TurnInProgress);
    EXPECT_EQ(driver.TurnStep, 0);
    EXPECT_EQ(driver.CurrentTurn, 0);
    EXPECT_TRUE(driver.TurnHistory.empty());
    EXPECT_EQ(driver.TurnHistory.capacity(), 0u);
    EXPECT_TRUE(ExactlySolved(cube));

    for (int frame = 0; frame < 10; ++frame)
        Frame();
    EXPECT_TRUE(ExactlySolved(cube));
    EXPECT_EQ(hooks.cubeSolved, 0);

    // A scramble command in the middle of a turn starts from an exactly solved cube and
    // can start its first turn in the next frame.
    driver.StartTurn(15);
    driver.AdvanceTurn();
    driver.StartTrainingScramble(0);
    EXPECT_TRUE(ExactlySolved(cube));
    EXPECT_TRUE(Frame());
}
