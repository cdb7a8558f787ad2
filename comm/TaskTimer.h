#pragma once
#include <functional>
#include <memory>

// A repeating timer: once started it calls its timeout each time the
// interval has passed, until it is stopped. A timer may be stopped,
// restarted or destroyed from inside its own timeout.
class TaskTimer {
public:
    virtual ~TaskTimer() = default;

    // (Re)starts with this interval in milliseconds (at least 1).
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// Makes the timers of one thread's loop: the window's event loop, or a plain
// loop that a tool or test turns itself.
class TaskTimerSource {
public:
    virtual ~TaskTimerSource() = default;

    // A stopped timer that calls timeout when it fires.
    virtual std::unique_ptr<TaskTimer> Make(std::function<void()> timeout) = 0;
};
