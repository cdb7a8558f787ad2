#include "VirtualPace.h"

#include <algorithm>

VirtualPace::VirtualPace(ManualClock& manualClock, MemoryRadio& memoryRadio)
    : VirtualPace(manualClock, std::vector<MemoryRadio*>{&memoryRadio})
{
}

VirtualPace::VirtualPace(ManualClock& manualClock, std::vector<MemoryRadio*> memoryRadios)
    : clock(manualClock), radios(std::move(memoryRadios)), lastMoved(Moved())
{
}

uint64_t VirtualPace::Moved() const
{
    uint64_t moved = 0;
    for (const MemoryRadio* radio : radios) {
        moved += radio->BytesMoved();
    }
    return moved;
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
    Rest(busy, 0);
}

void VirtualPace::Rest(bool busy, int atMostMs)
{
    const uint64_t moved = Moved();
    const bool lineMoved = moved != lastMoved;
    lastMoved = moved;
    if (busy || lineMoved) {
        Advance(1);
        return;
    }
    // Nothing changed: the next change can only come when something is due.
    const uint32_t now = clock.Now();
    uint32_t step = 0;
    std::vector<std::optional<uint32_t>> dues {clock.NextExpected()};
    for (MemoryRadio* radio : radios) {
        dues.push_back(radio->NextMove());
    }
    for (const std::optional<uint32_t> due : dues) {
        if (due && *due - now > 0 && (step == 0 || *due - now < step)) {
            step = *due - now;
        }
    }
    if (atMostMs > 0 && step > static_cast<uint32_t>(atMostMs)) {
        step = static_cast<uint32_t>(atMostMs);
    }
    Advance(std::max<uint32_t>(step, 1));
}
