#pragma once
#include <cstdint>

// The platform's 32-bit millisecond count since system start; it wraps after
// about 49.7 days. Count-downs take one, so that tests and harnesses can hand
// them a clock of their own.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual uint32_t Now() const = 0;
    // A count-down or timer on this clock runs out when Now() reaches `at`.
    // The real clock ignores it; a clock that a harness moves uses it to
    // jump straight to the next moment at which anything can happen.
    virtual void Expect(uint32_t at) const { (void)at; }
};

// The system's clock (made by the platform layer: on Linux CLOCK_MONOTONIC
// in milliseconds, truncated to 32 bits).
const TickClock& PlatformClock();
