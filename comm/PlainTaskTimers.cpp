#include "PlainTaskTimers.h"

#include <algorithm>

class PlainTaskTimers::Timer final : public TaskTimer {
public:
    Timer(PlainTaskTimers& owner, uint64_t serial, std::function<void()> onTimeout)
        : source(&owner), id(serial), timeout(std::move(onTimeout))
    {
    }

    ~Timer() override
    {
        if (source != nullptr) {
            source->Forget(this);
        }
    }

    void Start(int ms) override
    {
        interval = static_cast<uint32_t>(std::max(ms, 1));
        active = true;
        Restart(source != nullptr ? source->clock.Now() : 0);
    }

    void Stop() override { active = false; }
    bool IsActive() const override { return active; }

    bool IsDue(uint32_t now) const { return active && now - startedAt >= interval; }

    // The next interval counts from now; the timeout may restart, stop or
    // destroy this timer, so nothing here touches it afterwards.
    void Fire(uint32_t now)
    {
        Restart(now);
        const std::function<void()> call = timeout;
        call();
    }

    PlainTaskTimers* source;      // null once the source is gone
    const uint64_t id;

private:
    void Restart(uint32_t now)
    {
        startedAt = now;
        if (source != nullptr) {
            source->clock.Expect(now + interval);
        }
    }

    std::function<void()> timeout;
    uint32_t interval = 1;
    uint32_t startedAt = 0;
    bool active = false;
};

PlainTaskTimers::PlainTaskTimers(const TickClock& tickClock) : clock(tickClock)
{
}

PlainTaskTimers::~PlainTaskTimers()
{
    // Timers that outlive their source just never fire again.
    for (Timer* timer : timers) {
        timer->source = nullptr;
    }
}

std::unique_ptr<TaskTimer> PlainTaskTimers::Make(std::function<void()> timeout)
{
    auto timer = std::make_unique<Timer>(*this, nextId++, std::move(timeout));
    timers.push_back(timer.get());
    return timer;
}

void PlainTaskTimers::RunDue()
{
    // By id, not by pointer: a timeout may destroy timers and make new ones.
    std::vector<uint64_t> ids;
    ids.reserve(timers.size());
    for (const Timer* timer : timers) {
        ids.push_back(timer->id);
    }
    for (const uint64_t id : ids) {
        Timer* timer = Find(id);
        const uint32_t now = clock.Now();
        if (timer != nullptr && timer->IsDue(now)) {
            timer->Fire(now);
        }
    }
}

PlainTaskTimers::Timer* PlainTaskTimers::Find(uint64_t id) const
{
    for (Timer* timer : timers) {
        if (timer->id == id) {
            return timer;
        }
    }
    return nullptr;
}

void PlainTaskTimers::Forget(const Timer* timer)
{
    timers.erase(std::remove(timers.begin(), timers.end(), timer), timers.end());
}
