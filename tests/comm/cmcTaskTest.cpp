#include "cmcTask.h"

#include "CommTestSupport.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(CommTask, NewTaskIsStoppedWithoutStep)
{
    cmcTask task;
    EXPECT_TRUE(task.IsIdle());
    EXPECT_FALSE(task.IsBusy());
    EXPECT_FALSE(task.isActive());
}

struct RunCase {
    const char* name;
    int interval;
    bool active;
    int timerInterval; // when active
};

class CommTaskRun : public testing::TestWithParam<RunCase> {};

TEST_P(CommTaskRun, IntervalRules)
{
    const RunCase& row = GetParam();
    cmcTask task;
    task.Run(50); // running before, so that a stop is seen
    EXPECT_EQ(task.Run(row.interval), !row.active);
    EXPECT_EQ(task.IsIdle(), !row.active);
    EXPECT_EQ(task.isActive(), row.active);
    if (row.active) {
        EXPECT_EQ(task.interval(), row.timerInterval);
    }
}

INSTANTIATE_TEST_SUITE_P(Comm, CommTaskRun,
    testing::Values(
        RunCase {"ZeroMeansOneMs", 0, true, 1},
        RunCase {"OneMs", 1, true, 1},
        RunCase {"TenMs", 10, true, 10},
        RunCase {"MinusOneStops", -1, false, 0},
        RunCase {"AnyNegativeStops", -20, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommTask, SetStepDoesNotStart)
{
    cmcTask task;
    int calls = 0;
    task.SetStep([&calls](cmcTask&) { ++calls; });
    EXPECT_TRUE(task.IsIdle());
    EXPECT_FALSE(task.isActive());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(CommTask, StepRunsUntilItStopsTheTask)
{
    cmcTask task;
    int calls = 0;
    cmcTask* seenSender = nullptr;
    task.SetStep([&](cmcTask& sender) {
        seenSender = &sender;
        ++calls;
        if (calls == 2) {
            sender.Run(5); // the step sets its own pace
            EXPECT_EQ(sender.interval(), 5);
        }
        if (calls == 3) {
            EXPECT_TRUE(sender.Run(-1));
        }
    });
    task.Run(0);
    EXPECT_TRUE(RunEventsUntil([&] { return task.IsIdle(); }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(seenSender, &task);
    EXPECT_FALSE(task.isActive());
}

TEST(CommTask, StepRunningTheEventLoopIsNotEnteredTwice)
{
    cmcTask task;
    int depth = 0;
    int deepest = 0;
    int entries = 0;
    int ticksInsideStep = 0;
    QObject::connect(&task, &QTimer::timeout, [&] {
        if (depth > 0) {
            ++ticksInsideStep;
        }
    });
    task.SetStep([&](cmcTask& sender) {
        ++entries;
        ++depth;
        deepest = std::max(deepest, depth);
        // A step that sets its next interval restarts the timer, which then
        // fires while the step still waits here.
        sender.Run(0);
        RunEventsUntil([&] { return ticksInsideStep >= 5; });
        EXPECT_TRUE(sender.IsBusy());
        --depth;
        sender.Run(-1);
    });
    task.Run(0);
    EXPECT_TRUE(RunEventsUntil([&] { return task.IsIdle(); }));
    EXPECT_GE(ticksInsideStep, 5);
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(task.IsBusy());
}

TEST(CommTask, DetachForgetsTheStepAndStops)
{
    cmcTask task;
    int calls = 0;
    int ticks = 0;
    QObject::connect(&task, &QTimer::timeout, [&] { ++ticks; });
    task.SetStep([&calls](cmcTask&) { ++calls; });
    task.Run(0);
    task.Detach();
    EXPECT_TRUE(task.IsIdle());
    EXPECT_FALSE(task.isActive());
    task.Run(0); // ticks without a step do nothing
    EXPECT_TRUE(RunEventsUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(calls, 0);
}

TEST(CommTask, DisposeLaterDeletesAtTheNextTick)
{
    auto* task = new cmcTask;
    QPointer<cmcTask> watch(task);
    int calls = 0;
    task->SetStep([&calls](cmcTask&) { ++calls; });
    task->Detach();
    task->DisposeLater();
    EXPECT_FALSE(task->IsIdle());
    EXPECT_TRUE(RunEventsUntil([&] { return watch.isNull(); }));
    EXPECT_EQ(calls, 0);
}

TEST(CommTask, DisposeLaterFromInsideTheStepWaitsForTheStepToReturn)
{
    auto* task = new cmcTask;
    QPointer<cmcTask> watch(task);
    bool aliveAtStepEnd = false;
    int ticksInsideStep = 0;
    int depth = 0;
    QObject::connect(task, &QTimer::timeout, [&] {
        if (depth > 0) {
            ++ticksInsideStep;
        }
    });
    task->SetStep([&](cmcTask& sender) {
        ++depth;
        sender.Detach();
        sender.DisposeLater();
        // Ticks and deferred deletions happen here; the task must survive them.
        RunEventsUntil([&] { return ticksInsideStep >= 5; });
        aliveAtStepEnd = !watch.isNull();
        --depth;
    });
    task->Run(0);
    EXPECT_TRUE(RunEventsUntil([&] { return watch.isNull(); }));
    EXPECT_GE(ticksInsideStep, 5);
    EXPECT_TRUE(aliveAtStepEnd);
}
