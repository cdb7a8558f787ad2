#pragma once
#include "TaskTimer.h"
#include "TickClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Timers for a loop without an event loop: the loop calls RunDue at every
// turn, and each active timer whose interval has passed on the clock fires
// then. Timers made here must be used on the loop's thread.
class PlainTaskTimers final : public TaskTimerSource {
public:
    explicit PlainTaskTimers(const TickClock& clock);
    ~PlainTaskTimers() override;
    PlainTaskTimers(const PlainTaskTimers&) = delete;
    PlainTaskTimers& operator=(const PlainTaskTimers&) = delete;

    std::unique_ptr<TaskTimer> Make(std::function<void()> timeout) override;

    // Fires every active timer that is due, each at most once. Timers made,
    // started or destroyed by a timeout are seen correctly; one made during
    // this turn fires at a later turn at the earliest.
    void RunDue();

    // Timers that exist (active or not).
    size_t Count() const { return timers.size(); }

private:
    class Timer;

    Timer* Find(uint64_t id) const;
    void Forget(const Timer* timer);

    const TickClock& clock;
    std::vector<Timer*> timers;   // not owned: each timer's owner holds it
    uint64_t nextId = 1;
};
