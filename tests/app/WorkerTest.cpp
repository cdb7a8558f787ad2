// The tick worker on its own: the tick's answer decides how it waits, a
// rest ends at Hurry or Stop, and the short waits go to the port's wait on
// the worker's own thread.
#include "TickRhythm.h"
#include "thrProg.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include <atomic>
#include <mutex>
#include <ostream>
#include <vector>

namespace {

// Far longer than any test waits: a rest this long can only end early.
constexpr int Forever = 600000;
// Only a failure waits this long.
constexpr int Bound = 20000;

// Counts the ticks and records the short waits and the thread they ran on.
struct WorkerProbe {
    explicit WorkerProbe(int waitMs)
        : worker([this, waitMs] { ++ticks; return waitMs; },
                 [this](int ms) {
                     const std::lock_guard guard(lock);
                     portWaits.push_back(ms);
                     waitThreads.push_back(QThread::currentThread());
                 })
    {
    }

    int ticks = 0;  // on the test's (user-interface) thread only
    std::mutex lock;
    std::vector<int> portWaits;
    std::vector<QThread*> waitThreads;
    thrProg worker;
};

struct RestCase {
    const char* name;
    int waitMs;
    bool watchesPort;
};

void PrintTo(const RestCase& c, std::ostream* os)
{
    *os << c.name;
}

class WorkerRest : public testing::TestWithParam<RestCase> {};

TEST_P(WorkerRest, TheTickChoosesTheWait)
{
    const RestCase& row = GetParam();
    WorkerProbe probe(row.waitMs);
    probe.worker.Begin();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.ticks >= 5; }, Bound));
    probe.worker.Stop();
    const std::lock_guard guard(probe.lock);
    if (row.watchesPort) {
        EXPECT_GE(probe.portWaits.size(), 4u);
        for (size_t i = 0; i < probe.portWaits.size(); ++i) {
            EXPECT_EQ(probe.portWaits[i], row.waitMs);
            EXPECT_EQ(probe.waitThreads[i], &probe.worker);
        }
    } else {
        EXPECT_TRUE(probe.portWaits.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Ui, WorkerRest,
    testing::Values(
        RestCase {"BusyWatchesThePort", TickRhythm::BusyMs, true},
        RestCase {"NoWaitAtAll", 0, false},
        RestCase {"RestLeavesThePortAlone", TickRhythm::RestMs, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Worker, HurryEndsARest)
{
    WorkerProbe probe(Forever);
    probe.worker.Begin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks == 1; }, Bound));
    probe.worker.Hurry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.ticks == 2; }, Bound));
    probe.worker.Hurry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.ticks == 3; }, Bound));
    probe.worker.Stop();
}

// Stop does not sit out the rest, and no tick comes after it.
TEST(Worker, StopEndsARest)
{
    WorkerProbe probe(Forever);
    probe.worker.Begin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.ticks == 1; }, Bound));
    probe.worker.Stop();
    EXPECT_TRUE(probe.worker.isFinished());
    QTest::qWait(20);
    EXPECT_EQ(probe.ticks, 1);
}

// Stopped from inside a tick (the display lost while the tick painted): the
// worker waits for that very tick, so Stop must not wait for the worker. It
// returns at once, no tick comes after it, and the worker ends once the tick
// has returned.
TEST(Worker, StopFromInsideATickReturnsAtOnce)
{
    int ticks = 0;
    bool stoppedInside = false;
    thrProg* self = nullptr;
    thrProg worker(
        [&] {
            if (++ticks == 3) {
                self->Stop();
                stoppedInside = true;
            }
            return TickRhythm::BusyMs;
        },
        [](int) {});
    self = &worker;
    worker.Begin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stoppedInside; }, Bound));
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.isFinished(); }, Bound));
    QTest::qWait(20);
    EXPECT_EQ(ticks, 3);
}

} // namespace
