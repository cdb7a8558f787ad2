// The send task on the window's timers: Qt's event loop fires them.
#include "QtTaskTimers.h"
#include "cmcTask.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <functional>
#include <string>

namespace {

// The window's timers, counting every time one fires (step or not) and
// how many of them exist.
class CountingTimers final : public TaskTimerSource {
public:
    std::unique_ptr<TaskTimer> Make(std::function<void()> timeout) override
    {
        return std::make_unique<Counted>(*this, QtTimers().Make([this, timeout] {
            ++fires;
            timeout();
        }));
    }

    int fires = 0;
    int alive = 0;

private:
    class Counted final : public TaskTimer {
    public:
        Counted(CountingTimers& owner, std::unique_ptr<TaskTimer> timer) : source(owner), inner(std::move(timer))
        {
            ++source.alive;
        }
        ~Counted() override { --source.alive; }
        void Start(int ms) override { inner->Start(ms); }
        void Stop() override { inner->Stop(); }
        bool IsActive() const override { return inner->IsActive(); }

    private:
        CountingTimers& source;
        std::unique_ptr<TaskTimer> inner;
    };
};

} // namespace

TEST(QtTaskTimers, StartStopAndInterval)
{
    int fires = 0;
    const auto timer = QtTimers().Make([&fires] { ++fires; });
    EXPECT_FALSE(timer->IsActive());
    timer->Start(1);
    EXPECT_TRUE(timer->IsActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return fires >= 3; }, 10000));
    timer->Stop();
    EXPECT_FALSE(timer->IsActive());
    const int stoppedAt = fires;
    QTest::qWait(30);
    EXPECT_EQ(fires, stoppedAt);
}

TEST(QtTaskTimers, StepRunsUntilItStopsTheTask)
{
    cmcTask task(QtTimers());
    int calls = 0;
    task.SetStep([&](cmcTask& sender) {
        ++calls;
        if (calls == 2) {
            EXPECT_FALSE(sender.Run(5));
        }
        if (calls == 3) {
            EXPECT_TRUE(sender.Run(-1));
        }
    });
    EXPECT_FALSE(task.Run(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return task.IsIdle(); }, 10000));
    EXPECT_EQ(calls, 3);
}

TEST(QtTaskTimers, StepRunningTheEventLoopIsNotEnteredTwice)
{
    CountingTimers timers;
    cmcTask task(timers);
    int depth = 0;
    int deepest = 0;
    int entries = 0;
    int firesInsideStep = 0;
    task.SetStep([&](cmcTask& sender) {
        ++entries;
        ++depth;
        deepest = std::max(deepest, depth);
        sender.Run(0);
        const int before = timers.fires;
        (void)QTest::qWaitFor([&] { return timers.fires - before >= 5; }, 10000);
        firesInsideStep = timers.fires - before;
        EXPECT_TRUE(sender.IsBusy());
        --depth;
        sender.Run(-1);
    });
    task.Run(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries > 0 && task.IsIdle(); }, 10000));
    EXPECT_GE(firesInsideStep, 5);
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(deepest, 1);
}

TEST(QtTaskTimers, DisposeLaterFromInsideTheStepWaitsForTheStepToReturn)
{
    CountingTimers timers;
    auto* task = new cmcTask(timers);
    bool aliveAtStepEnd = false;
    int firesInsideStep = 0;
    task->SetStep([&](cmcTask& sender) {
        sender.Detach();
        sender.DisposeLater();
        // Ticks and deferred deletions happen here; the task must survive them.
        const int before = timers.fires;
        (void)QTest::qWaitFor([&] { return timers.fires - before >= 5; }, 10000);
        firesInsideStep = timers.fires - before;
        aliveAtStepEnd = timers.alive == 1;
    });
    task->Run(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timers.alive == 0; }, 10000)); // the task and its timer are gone
    EXPECT_GE(firesInsideStep, 5);
    EXPECT_TRUE(aliveAtStepEnd);
}

TEST(QtTaskTimers, DisposeLaterDeletesAtTheNextTick)
{
    CountingTimers timers;
    auto* task = new cmcTask(timers);
    int calls = 0;
    task->SetStep([&calls](cmcTask&) { ++calls; });
    task->Detach();
    task->DisposeLater();
    EXPECT_FALSE(task->IsIdle());
    EXPECT_EQ(timers.alive, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timers.alive == 0; }, 10000));
    EXPECT_EQ(timers.fires, 1);
    EXPECT_EQ(calls, 0);
}
