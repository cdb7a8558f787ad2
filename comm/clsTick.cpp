#include "clsTick.h"

clsTick::clsTick(const TickClock* clockToUse)
    : clock(clockToUse != nullptr ? clockToUse : &PlatformClock())
{
}

void clsTick::Start(uint32_t ms)
{
    timeout = ms;
    start = clock->Now();
    armed = true;
    clock->Expect(start + ms);
}

uint32_t clsTick::Remaining()
{
    if (!armed) {
        return 0;
    }
    // Unsigned subtraction is taken modulo 2^32, so a wrap of the count
    // between Start and now still gives the true elapsed time.
    const uint32_t elapsed = clock->Now() - start;
    if (elapsed < timeout) {
        return timeout - elapsed;
    }
    armed = false;
    return 0;
}
