#include "clsTick.h"

#include "CommTestSupport.h"
#include "PlainTaskTimers.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

namespace {

uint32_t MonotonicMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

} // namespace

TEST(CommTick, NeverStartedGivesZero)
{
    ManualClock clock(1234);
    clsTick tick(&clock);
    EXPECT_EQ(tick.Remaining(), 0u);
    clsTick onPlatformClock;
    EXPECT_EQ(onPlatformClock.Remaining(), 0u);
}

struct CountDownCase {
    const char* name;
    uint32_t startAt;      // the clock's count at Start
    uint32_t timeout;
    uint32_t laterAt;      // the clock's count when asked
    uint32_t remaining;
};

class CommTickCountDown : public testing::TestWithParam<CountDownCase> {};

TEST_P(CommTickCountDown, RemainingAfterElapsedTime)
{
    const CountDownCase& row = GetParam();
    ManualClock clock(row.startAt);
    clsTick tick(&clock);
    tick.Start(row.timeout);
    clock.Set(row.laterAt);
    EXPECT_EQ(tick.Remaining(), row.remaining);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommTickCountDown,
    testing::Values(
        CountDownCase {"AtStart", 5000, 100, 5000, 100},
        CountDownCase {"OneMsIn", 5000, 100, 5001, 99},
        CountDownCase {"LastMs", 5000, 100, 5099, 1},
        CountDownCase {"Expired", 5000, 100, 5100, 0},
        CountDownCase {"LongExpired", 5000, 100, 90000, 0},
        CountDownCase {"StartZeroIsDue", 5000, 0, 5000, 0},
        // 10 ms before the count wraps, 50 ms; asked 30 ms after the wrap:
        // 40 ms have passed, 10 remain.
        CountDownCase {"AcrossTheWrap", 0xFFFFFFF6u, 50, 30, 10},
        CountDownCase {"ExpiredAcrossTheWrap", 0xFFFFFFF6u, 50, 40, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommTick, ExpiredCountDownStaysAtZero)
{
    ManualClock clock(100);
    clsTick tick(&clock);
    tick.Start(100);
    clock.Advance(150);
    EXPECT_EQ(tick.Remaining(), 0u);
    clock.Set(120); // even a clock seen inside the old window again
    EXPECT_EQ(tick.Remaining(), 0u);
}

TEST(CommTick, StartAgainRestarts)
{
    ManualClock clock(0);
    clsTick tick(&clock);
    tick.Start(100);
    clock.Advance(60);
    EXPECT_EQ(tick.Remaining(), 40u);
    tick.Start(100);
    EXPECT_EQ(tick.Remaining(), 100u);
    clock.Advance(100);
    EXPECT_EQ(tick.Remaining(), 0u);
    tick.Start(30);
    clock.Advance(10);
    EXPECT_EQ(tick.Remaining(), 20u);
}

TEST(CommTick, PlatformClockIsMonotonicMilliseconds)
{
    const uint32_t before = MonotonicMs();
    const uint32_t now = PlatformClock().Now();
    const uint32_t after = MonotonicMs();
    // Compared modulo 2^32, as the count wraps.
    EXPECT_LE(now - before, after - before);
}

TEST(CommTick, DefaultClockCountsDown)
{
    clsTick tick;
    tick.Start(100000);
    const uint32_t left = tick.Remaining();
    EXPECT_GE(left, 1u);
    EXPECT_LE(left, 100000u);
}

// A started count-down tells its clock when it runs out, so that a clock a
// harness moves can jump there; the clock offers the nearest moment ahead,
// across the wrap of the count, and forgets what has passed.
TEST(CommTick, StartTellsTheClockWhenItRunsOut)
{
    ManualClock clock(0xFFFFFF00u);
    EXPECT_EQ(clock.NextExpected(), std::nullopt);
    clsTick longer(&clock);
    clsTick shorter(&clock);
    longer.Start(5000);
    shorter.Start(0x200);
    EXPECT_EQ(clock.NextExpected(), 0x100u);  // past the wrap
    clock.Advance(0x200);
    EXPECT_EQ(shorter.Remaining(), 0u);
    EXPECT_EQ(clock.NextExpected(), 0xFFFFFF00u + 5000u);
    clock.Advance(5000 - 0x200);
    EXPECT_EQ(longer.Remaining(), 0u);
    EXPECT_EQ(clock.NextExpected(), std::nullopt);
}

// The send task's plain timers do the same at every start and every firing.
TEST(CommTick, PlainTimersTellTheClockTheirNextFiring)
{
    ManualClock clock(100);
    PlainTaskTimers timers(clock);
    int fired = 0;
    auto timer = timers.Make([&] { ++fired; });
    timer->Start(10);
    EXPECT_EQ(clock.NextExpected(), 110u);
    clock.Advance(10);
    timers.RunDue();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(clock.NextExpected(), 120u);  // the next interval
}
