// Plain timers turned by hand on a clock the test moves.
#include "PlainTaskTimers.h"

#include "CommTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct DueCase {
    const char* name;
    uint32_t start;      // the clock when the timer starts
    int interval;
    uint32_t waited;     // ms until RunDue
    int fires;
};

void PrintTo(const DueCase& c, std::ostream* os) { *os << c.name; }

class CommPlainTimersDue : public testing::TestWithParam<DueCase> {};

TEST_P(CommPlainTimersDue, FiresOnceItsIntervalHasPassed)
{
    const DueCase& row = GetParam();
    ManualClock clock(row.start);
    PlainTaskTimers timers(clock);
    int fires = 0;
    const auto timer = timers.Make([&fires] { ++fires; });
    timer->Start(row.interval);
    EXPECT_TRUE(timer->IsActive());
    clock.Advance(row.waited);
    timers.RunDue();
    EXPECT_EQ(fires, row.fires);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPlainTimersDue,
    testing::Values(
        DueCase {"not_yet", 1000, 10, 9, 0},
        DueCase {"just_due", 1000, 10, 10, 1},
        DueCase {"long_overdue_fires_once_a_turn", 1000, 10, 95, 1},
        DueCase {"nothing_waited", 1000, 1, 0, 0},
        DueCase {"zero_counts_as_one_ms", 1000, 0, 1, 1},
        DueCase {"across_the_clock_wrap", 0xFFFFFFFAu, 10, 10, 1},
        DueCase {"not_yet_across_the_wrap", 0xFFFFFFFAu, 10, 8, 0}),
    [](const testing::TestParamInfo<DueCase>& info) { return std::string(info.param.name); });

TEST(CommPlainTimers, RepeatsEveryIntervalUntilStopped)
{
    ManualClock clock(0);
    PlainTaskTimers timers(clock);
    std::vector<uint32_t> firedAt;
    const auto timer = timers.Make([&] { firedAt.push_back(clock.Now()); });
    EXPECT_FALSE(timer->IsActive());
    timer->Start(3);
    for (int ms = 0; ms < 10; ++ms) {
        clock.Advance(1);
        timers.RunDue();
    }
    EXPECT_EQ(firedAt, (std::vector<uint32_t> {3, 6, 9}));
    timer->Stop();
    EXPECT_FALSE(timer->IsActive());
    clock.Advance(100);
    timers.RunDue();
    EXPECT_EQ(firedAt.size(), 3u);
    timer->Start(3); // counts from the start again
    clock.Advance(2);
    timers.RunDue();
    EXPECT_EQ(firedAt.size(), 3u);
    clock.Advance(1);
    timers.RunDue();
    EXPECT_EQ(firedAt.size(), 4u);
}

TEST(CommPlainTimers, RestartInsideTheTimeoutSetsTheNextInterval)
{
    ManualClock clock(0);
    PlainTaskTimers timers(clock);
    std::vector<uint32_t> firedAt;
    std::unique_ptr<TaskTimer> timer;
    timer = timers.Make([&] {
        firedAt.push_back(clock.Now());
        if (firedAt.size() == 1) {
            timer->Start(5);
        } else if (firedAt.size() == 2) {
            timer->Stop();
        }
    });
    timer->Start(1);
    for (int ms = 0; ms < 20; ++ms) {
        clock.Advance(1);
        timers.RunDue();
    }
    EXPECT_EQ(firedAt, (std::vector<uint32_t> {1, 6}));
    EXPECT_FALSE(timer->IsActive());
}

TEST(CommPlainTimers, TimeoutMayDestroyTimersAndMakeNewOnes)
{
    ManualClock clock(0);
    PlainTaskTimers timers(clock);
    std::vector<std::string> fired;
    std::unique_ptr<TaskTimer> second;
    std::unique_ptr<TaskTimer> made;
    std::unique_ptr<TaskTimer> first = timers.Make([&] {
        fired.push_back("first");
        second.reset();      // due in this turn too, but gone
        made = timers.Make([&] { fired.push_back("made"); });
        made->Start(1);
        first.reset();       // itself, while its timeout runs
    });
    second = timers.Make([&] { fired.push_back("second"); });
    first->Start(1);
    second->Start(1);
    EXPECT_EQ(timers.Count(), 2u);
    clock.Advance(1);
    timers.RunDue();
    EXPECT_EQ(fired, (std::vector<std::string> {"first"})); // the new one waits a turn
    EXPECT_EQ(timers.Count(), 1u);
    clock.Advance(1);
    timers.RunDue();
    EXPECT_EQ(fired, (std::vector<std::string> {"first", "made"}));
}

TEST(CommPlainTimers, TimerMayOutliveItsSource)
{
    ManualClock clock(0);
    auto timers = std::make_unique<PlainTaskTimers>(clock);
    int fires = 0;
    const auto timer = timers->Make([&fires] { ++fires; });
    timer->Start(1);
    timers.reset();
    timer->Stop();
    EXPECT_FALSE(timer->IsActive());
    EXPECT_EQ(fires, 0);
}

} // namespace
