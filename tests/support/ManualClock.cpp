#include "ManualClock.h"

ManualClock::ManualClock(uint32_t start) : now(start)
{
}

uint32_t ManualClock::Now() const
{
    return now;
}

void ManualClock::Advance(uint32_t ms)
{
    now += ms;
}

void ManualClock::Set(uint32_t value)
{
    now = value;
}
