#pragma once
#include "TaskTimer.h"

// Timers of the Qt event loop of the thread that makes them (precise
// timers: the send task's intervals are a few milliseconds, a coarse timer
// would stretch them). The window's sequencer runs its send task on these.
class QtTaskTimers final : public TaskTimerSource {
public:
    std::unique_ptr<TaskTimer> Make(std::function<void()> timeout) override;
};

// The source the windows use; it keeps no state, so one serves every thread.
TaskTimerSource& QtTimers();
