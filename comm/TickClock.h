#pragma once
#include <cstdint>

// The platform's 32-bit millisecond count since system start; it wraps after
// about 49.7 days. Count-downs take one, so that tests and harnesses can hand
// them a clock of their own.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual uint32_t Now() const = 0;
};

// The system's clock (made by the platform layer: on Linux CLOCK_MONOTONIC
// in milliseconds, truncated to 32 bits).
const TickClock& PlatformClock();
