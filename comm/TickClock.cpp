#include "TickClock.h"

#include <ctime>

namespace {

class MonotonicTickClock final : public TickClock {
public:
    uint32_t Now() const override
    {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u
            + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
};

} // namespace

const TickClock& PlatformClock()
{
    static const MonotonicTickClock clock;
    return clock;
}
