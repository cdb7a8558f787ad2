#pragma once
#include "TickClock.h"

#include <cstdint>

// Millisecond count-down. Remaining() is 0 once the time has run out or
// when the count-down was never started.
class clsTick {
public:
    // clock == nullptr takes the platform's clock; a given clock must outlive
    // the count-down.
    explicit clsTick(const TickClock* clock = nullptr);

    void Start(uint32_t ms);
    uint32_t Remaining();

private:
    const TickClock* clock;
    uint32_t timeout = 0;
    uint32_t start = 0;
    bool armed = false;
};
