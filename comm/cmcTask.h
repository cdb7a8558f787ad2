#pragma once
#include "TaskTimer.h"

#include <functional>
#include <memory>

// A timer of the loop it lives on that calls one bound step again and
// again; the step itself sets the next interval through Run, or stops the
// task with Run(-1).
class cmcTask {
public:
    using Step = std::function<void(cmcTask& sender)>;

    explicit cmcTask(TaskTimerSource& timers);
    cmcTask(const cmcTask&) = delete;
    cmcTask& operator=(const cmcTask&) = delete;

    // Binds the step (a callable holding its object); does not start the timer.
    void SetStep(Step newStep);
    // interval < 0 stops the timer, 0 means 1 ms. Returns IsIdle().
    bool Run(int interval);
    void Detach();
    // The task (made with new) deletes itself at its next tick, never while
    // its step runs.
    void DisposeLater();

    bool IsIdle() const { return idle; }
    bool IsBusy() const { return busy; }

private:
    void Tick();

    std::unique_ptr<TaskTimer> timer;
    Step step;
    bool busy = false;
    bool disposeRequested = false;
    bool idle = true;
};
