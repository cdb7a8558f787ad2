#include "VirtualPace.h"

#include <algorithm>

VirtualPace::VirtualPace(ManualClock& manualClock, MemoryRadio& memoryRadio)
    : clock(manualClock), radio(memoryRadio), lastMoved(memoryRadio.BytesMoved())
{
}

void VirtualPace::Advance(uint32_t ms)
{
    clock.Advance(ms);
    elapsed += ms;
}

void VirtualPace::Hold(int ms)
{
    Advance(static_cast<uint32_t>(std::max(ms, 0)));
}

void VirtualPace::Rest(bool busy)
{
    const uint64_t moved = radio.BytesMoved();
    const bool lineMoved = moved != lastMoved;
    lastMoved = moved;
    if (busy || lineMoved) {
        Advance(1);
        return;
    }
    // Nothing changed: the next change can only come when something is due.
    const uint32_t now = clock.Now();
    uint32_t step = 0;
    for (const std::optional<uint32_t> due : {clock.NextExpected(), radio.NextMove()}) {
        if (due && *due - now > 0 && (step == 0 || *due - now < step)) {
            step = *due - now;
        }
    }
    Advance(std::max<uint32_t>(step, 1));
}
