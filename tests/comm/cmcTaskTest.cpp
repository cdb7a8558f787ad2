// The send task on plain timers that the test turns by hand, one
// millisecond of its clock at a time.
#include "cmcTask.h"

#include "CommTestSupport.h"
#include "PlainTaskTimers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Counts every time one of its timers fires, step or not.
class CountingTimers final : public TaskTimerSource {
public:
    explicit CountingTimers(TaskTimerSource& source) : inner(source) {}

    std::unique_ptr<TaskTimer> Make(std::function<void()> timeout) override
    {
        return inner.Make([this, timeout] {
            ++fires;
            timeout();
        });
    }

    int fires = 0;

private:
    TaskTimerSource& inner;
};

class CommTask : public testing::Test {
protected:
    // Moves the clock by 1 ms and fires what is due, until done() holds or
    // limit turns have passed; returns done().
    bool TurnUntil(const std::function<bool()>& done, int limit = 1000)
    {
        for (int turn = 0; turn < limit && !done(); ++turn) {
            clock.Advance(1);
            plain.RunDue();
        }
        return done();
    }

    void TurnFor(int ms)
    {
        for (int turn = 0; turn < ms; ++turn) {
            clock.Advance(1);
            plain.RunDue();
        }
    }

    ManualClock clock {5000};
    PlainTaskTimers plain {clock};
    CountingTimers timers {plain};
};

} // namespace

TEST_F(CommTask, NewTaskIsStoppedWithoutStep)
{
    cmcTask task(timers);
    EXPECT_TRUE(task.IsIdle());
    EXPECT_FALSE(task.IsBusy());
    TurnFor(50);
    EXPECT_EQ(timers.fires, 0);
}

struct RunCase {
    const char* name;
    int interval;
    bool active;
    int firstCallAfter; // ms, when active
};

class CommTaskRun : public CommTask, public testing::WithParamInterface<RunCase> {};

TEST_P(CommTaskRun, IntervalRules)
{
    const RunCase& row = GetParam();
    cmcTask task(timers);
    int calls = 0;
    task.SetStep([&calls](cmcTask&) { ++calls; });
    task.Run(50); // running before, so that a stop is seen
    EXPECT_EQ(task.Run(row.interval), !row.active);
    EXPECT_EQ(task.IsIdle(), !row.active);
    if (!row.active) {
        TurnFor(100);
        EXPECT_EQ(calls, 0);
        return;
    }
    TurnFor(row.firstCallAfter - 1);
    EXPECT_EQ(calls, 0);
    TurnFor(1);
    EXPECT_EQ(calls, 1);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommTaskRun,
    testing::Values(
        RunCase {"ZeroMeansOneMs", 0, true, 1},
        RunCase {"OneMs", 1, true, 1},
        RunCase {"TenMs", 10, true, 10},
        RunCase {"MinusOneStops", -1, false, 0},
        RunCase {"AnyNegativeStops", -20, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommTask, SetStepDoesNotStart)
{
    cmcTask task(timers);
    int calls = 0;
    task.SetStep([&calls](cmcTask&) { ++calls; });
    EXPECT_TRUE(task.IsIdle());
    TurnFor(20);
    EXPECT_EQ(calls, 0);
}

TEST_F(CommTask, StepRunsUntilItStopsTheTask)
{
    cmcTask task(timers);
    std::vector<uint32_t> calledAt;
    cmcTask* seenSender = nullptr;
    const uint32_t start = clock.Now();
    task.SetStep([&](cmcTask& sender) {
        seenSender = &sender;
        calledAt.push_back(clock.Now() - start);
        if (calledAt.size() == 2) {
            EXPECT_FALSE(sender.Run(5)); // the step sets its own pace
        }
        if (calledAt.size() == 3) {
            EXPECT_TRUE(sender.Run(-1));
        }
    });
    task.Run(0);
    EXPECT_TRUE(TurnUntil([&] { return task.IsIdle(); }));
    EXPECT_EQ(calledAt, (std::vector<uint32_t> {1, 2, 7}));
    EXPECT_EQ(seenSender, &task);
    TurnFor(20);
    EXPECT_EQ(calledAt.size(), 3u);
}

TEST_F(CommTask, StepTurningTheLoopIsNotEnteredTwice)
{
    cmcTask task(timers);
    int depth = 0;
    int deepest = 0;
    int entries = 0;
    int firesInsideStep = 0;
    task.SetStep([&](cmcTask& sender) {
        ++entries;
        ++depth;
        deepest = std::max(deepest, depth);
        // A step that sets its next interval restarts the timer, which then
        // fires while the step still turns the loop here.
        sender.Run(0);
        const int before = timers.fires;
        TurnFor(5);
        firesInsideStep = timers.fires - before;
        EXPECT_TRUE(sender.IsBusy());
        --depth;
        sender.Run(-1);
    });
    task.Run(0);
    EXPECT_TRUE(TurnUntil([&] { return entries > 0 && task.IsIdle(); }));
    EXPECT_EQ(firesInsideStep, 5);
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(task.IsBusy());
}

TEST_F(CommTask, DetachForgetsTheStepAndStops)
{
    cmcTask task(timers);
    int calls = 0;
    task.SetStep([&calls](cmcTask&) { ++calls; });
    task.Run(0);
    task.Detach();
    EXPECT_TRUE(task.IsIdle());
    TurnFor(5);
    EXPECT_EQ(timers.fires, 0);
    task.Run(0); // ticks without a step do nothing
    EXPECT_TRUE(TurnUntil([&] { return timers.fires >= 3; }));
    EXPECT_EQ(calls, 0);
}

TEST_F(CommTask, DisposeLaterDeletesAtTheNextTick)
{
    auto* task = new cmcTask(timers);
    int calls = 0;
    task->SetStep([&calls](cmcTask&) { ++calls; });
    task->Detach();
    task->DisposeLater();
    EXPECT_FALSE(task->IsIdle());
    EXPECT_EQ(plain.Count(), 1u);
    TurnFor(1);
    EXPECT_EQ(plain.Count(), 0u); // the task and its timer are gone
    EXPECT_EQ(calls, 0);
    TurnFor(5);
    EXPECT_EQ(timers.fires, 1);
}

TEST_F(CommTask, DisposeLaterFromInsideTheStepWaitsForTheStepToReturn)
{
    auto* task = new cmcTask(timers);
    bool aliveAtStepEnd = false;
    int firesInsideStep = 0;
    bool returned = false;
    task->SetStep([&](cmcTask& sender) {
        sender.Detach();
        sender.DisposeLater();
        // Ticks happen here; the task must survive them.
        const int before = timers.fires;
        TurnFor(5);
        firesInsideStep = timers.fires - before;
        aliveAtStepEnd = plain.Count() == 1;
        returned = true;
    });
    task->Run(0);
    EXPECT_TRUE(TurnUntil([&] { return returned; }));
    EXPECT_EQ(firesInsideStep, 5);
    EXPECT_TRUE(aliveAtStepEnd);
    EXPECT_EQ(plain.Count(), 1u);
    TurnFor(1);
    EXPECT_EQ(plain.Count(), 0u);
}
