#pragma once
#include "TickClock.h"

#include <cstdint>

// A millisecond clock that moves only when told to, so that a harness can
// run every time-out without waiting for it.
class ManualClock final : public TickClock {
public:
    explicit ManualClock(uint32_t start = 0);
    uint32_t Now() const override;
    // Wraps at 2^32 like the platform's count.
    void Advance(uint32_t ms);
    // Jumps to value, also backwards.
    void Set(uint32_t value);

private:
    uint32_t now;
};
