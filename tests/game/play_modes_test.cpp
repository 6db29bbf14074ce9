#include "game/play_modes.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

// A game without the cube: the test plays the cube core's part (scramble finished, cube solved)
// and the form's (one stopwatch refresh per frame), with a clock it sets by hand.
class Attempt : public ::testing::Test {
  protected:
    void Frame() { modes.RefreshStopwatch(); }
    void FramesOver(std::int64_t seconds)
    {
        for (std::int64_t i = 0; i < seconds; ++i) {
            ++now;
            Frame();
        }
    }
    /// F3: the core starts the timed scramble, then the play modes take over; the scramble runs
    /// over a few frames and ends in the same second.
    void TimedStartAndScramble()
    {
        modes.StartTimedSolve();
        Frame();
        Frame();
        modes.OnScrambleFinished();
        Frame();
    }
    const PlayState& State() const { return modes.State(); }
    bool TableIsEmpty() const { return champions.ToBlock() == ChampionTable::EmptyBlock(); }

    std::int64_t now = 1'700'000'000;
    int historyEmptied = 0;
    ChampionTable champions;
    PlayerNames names;
    PlayModes modes{champions, names, [this] { ++historyEmptied; }, [this] { return now; }};
};

} // namespace

TEST(FormatTime, PrintsHoursMinutesSecondsWithHoursWrappingAtADay)
{
    EXPECT_EQ(FormatTime(0), "00:00:00");
    EXPECT_EQ(FormatTime(75), "00:01:15");
    EXPECT_EQ(FormatTime(3725), "01:02:05");
    EXPECT_EQ(FormatTime(86399), "23:59:59");
    EXPECT_EQ(FormatTime(86400 + 3600 + 60 + 1), "01:01:01");
    EXPECT_EQ(FormatTime(86400 * 400 + 59), "00:00:59");
}

TEST_F(Attempt, StartsIdleShowingZero)
{
    Frame();
    EXPECT_FALSE(State().TimedMode);
    EXPECT_FALSE(State().StopwatchRunning);
    EXPECT_EQ(modes.StopwatchText(), "00:00:00");
}

TEST_F(Attempt, TimedSolveOf75SecondsIsRecordedUnderTheCurrentName)
{
    names.Enter(MakeNameField("Solver"));
    Frame();
    TimedStartAndScramble();
    EXPECT_TRUE(State().TimedMode);
    EXPECT_TRUE(State().StopwatchRunning);
    EXPECT_EQ(historyEmptied, 1); // the scramble can never be stepped back
    FramesOver(75);
    EXPECT_EQ(modes.StopwatchText(), "00:01:15");

    modes.OnCubeSolved();
    EXPECT_FALSE(State().TimedMode);
    EXPECT_FALSE(State().StopwatchRunning);
    const ChampionRecord& best = champions.Entries()[0];
    EXPECT_EQ(best.time, 75);
    EXPECT_EQ(NameText(best.name), "Solver");
    EXPECT_EQ(FormatTime(best.time), "00:01:15");

    // The reading stays on show, and solving again records nothing.
    FramesOver(30);
    EXPECT_EQ(modes.StopwatchText(), "00:01:15");
    modes.OnCubeSolved();
    EXPECT_TRUE(ChampionTable::IsEmpty(champions.Entries()[1]));

    // The next attempt keeps showing it until its scramble has been issued.
    modes.StartTimedSolve();
    FramesOver(3);
    EXPECT_EQ(modes.StopwatchText(), "00:01:15");
    modes.OnScrambleFinished();
    FramesOver(2);
    EXPECT_EQ(modes.StopwatchText(), "00:00:02");
}

TEST_F(Attempt, NameIsTakenAsItStandsAtTheSolve)
{
    TimedStartAndScramble();
    FramesOver(10);
    names.Enter(MakeNameField("Later"));
    modes.OnCubeSolved();
    EXPECT_EQ(NameText(champions.Entries()[0].name), "Later");
}

TEST_F(Attempt, TrainingNeverRecordsAndShowsZero)
{
    modes.StartTraining();
    Frame();
    modes.OnScrambleFinished();
    EXPECT_EQ(historyEmptied, 0);
    EXPECT_FALSE(State().StopwatchRunning);
    FramesOver(40);
    modes.OnCubeSolved();
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_EQ(modes.StopwatchText(), "00:00:00");
}

TEST_F(Attempt, TrainingStartEndsARunningTimedAttempt)
{
    TimedStartAndScramble();
    FramesOver(20);
    modes.StartTraining();
    EXPECT_FALSE(State().TimedMode);
    EXPECT_EQ(State().ElapsedTime, 0);
    Frame();
    modes.OnScrambleFinished();
    FramesOver(20);
    modes.OnCubeSolved();
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_EQ(modes.StopwatchText(), "00:00:00");
}

TEST_F(Attempt, SolveWithinTheFirstSecondIsNotRecordedAndTheAttemptGoesOn)
{
    TimedStartAndScramble();
    modes.OnCubeSolved(); // same second: 0 s
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(State().TimedMode);
    EXPECT_TRUE(State().StopwatchRunning);

    FramesOver(5);
    modes.OnCubeSolved();
    EXPECT_EQ(champions.Entries()[0].time, 5);
    EXPECT_FALSE(State().TimedMode);
}

TEST_F(Attempt, OnlyTimesBelowTheLimitAreRecorded)
{
    TimedStartAndScramble();
    now += 86399;
    Frame();
    modes.OnCubeSolved();
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(State().TimedMode);
    EXPECT_TRUE(State().StopwatchRunning);

    now += 100000;
    Frame();
    modes.OnCubeSolved();
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(State().StopwatchRunning);

    modes.StartTimedSolve();
    Frame();
    modes.OnScrambleFinished();
    now += 86398;
    Frame();
    modes.OnCubeSolved();
    EXPECT_EQ(champions.Entries()[0].time, 86398);
}

TEST_F(Attempt, ClockSetBackGivesANegativeTimeThatIsNeverRecorded)
{
    TimedStartAndScramble();
    FramesOver(10);
    now -= 3600;
    Frame();
    EXPECT_LT(State().ElapsedTime, 0);
    modes.OnCubeSolved();
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(State().TimedMode);
}

TEST_F(Attempt, TimedRestartDoesNotCarryTheAbandonedAttemptsTime)
{
    TimedStartAndScramble();
    FramesOver(50); // abandoned after 50 s
    modes.StartTimedSolve();
    EXPECT_FALSE(State().StopwatchRunning);
    EXPECT_EQ(modes.StopwatchText(), "00:00:50"); // shown until the new stopwatch starts
    FramesOver(10);                               // the new scramble takes a while
    modes.OnScrambleFinished();
    EXPECT_EQ(historyEmptied, 2);
    FramesOver(30);
    modes.OnCubeSolved();
    EXPECT_EQ(champions.Entries()[0].time, 30);
}

TEST_F(Attempt, StopwatchCountsWithoutBeingShown)
{
    // The form refreshes every frame even with the stopwatch hidden; nobody reads the text here.
    TimedStartAndScramble();
    FramesOver(12);
    modes.OnCubeSolved();
    EXPECT_EQ(champions.Entries()[0].time, 12);
}

TEST(PlayModesClock, SystemClockIsCalendarSeconds)
{
    const std::int64_t before = static_cast<std::int64_t>(time(nullptr));
    const std::int64_t reading = SystemCalendarSeconds();
    EXPECT_GE(reading, before);
    EXPECT_LE(reading, before + 5);
}
