#include "cmcTask.h"

cmcTask::cmcTask(TaskTimerSource& timers) : timer(timers.Make([this] { Tick(); }))
{
}

void cmcTask::SetStep(Step newStep)
{
    step = std::move(newStep);
}

bool cmcTask::Run(int interval)
{
    if (interval < 0) {
        timer->Stop();
    } else {
        timer->Start(interval == 0 ? 1 : interval);
    }
    idle = !timer->IsActive();
    return idle;
}

void cmcTask::Detach()
{
    step = nullptr;
    Run(-1);
}

void cmcTask::DisposeLater()
{
    disposeRequested = true;
    Run(0);
}

void cmcTask::Tick()
{
    if (disposeRequested) {
        // While the step is still on the stack (it runs the loop) the object
        // must stay; a later tick after the step returns deletes it. Timers
        // may be destroyed from inside their own timeout.
        if (!busy) {
            Run(-1);
            delete this;
        }
        return;
    }
    if (busy || !step) {
        return;
    }
    // A copy, so that Detach or SetStep inside the step cannot destroy the
    // callable that is running.
    const Step current = step;
    busy = true;
    current(*this);
    busy = false;
}
