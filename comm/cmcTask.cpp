#include "cmcTask.h"

cmcTask::cmcTask()
{
    // Intervals are a few milliseconds; a coarse timer would stretch them.
    setTimerType(Qt::PreciseTimer);
    connect(this, &QTimer::timeout, this, [this] { Tick(); });
}

void cmcTask::SetStep(Step newStep)
{
    step = std::move(newStep);
}

bool cmcTask::Run(int interval)
{
    if (interval < 0) {
        stop();
    } else {
        start(interval == 0 ? 1 : interval);
    }
    idle = !isActive();
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
        // While the step is still on the stack (it runs the event loop) the
        // object must stay; a later tick after the step returns deletes it.
        if (!busy) {
            Run(-1);
            deleteLater();
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
