#pragma once
#include "ManualClock.h"
#include "MemoryRadio.h"
#include "SeqDriver.h"

#include <cstdint>
#include <vector>

// Ticks on a clock that moves only when nothing can happen otherwise: after
// a tick that moved the sequencer or a byte on the line, one millisecond;
// after an idle tick, straight to the next moment at which a count-down,
// a timer or a byte on the radio's line is due. Time-outs then cost nothing
// and come exactly on time.
class VirtualPace final : public TickPace {
public:
    // Both must outlive the pace.
    VirtualPace(ManualClock& clock, MemoryRadio& radio);
    // Several radios on the same clock, each at the end of its own cable.
    VirtualPace(ManualClock& clock, std::vector<MemoryRadio*> radios);

    int64_t ElapsedMs() const override { return elapsed; }
    void Rest(bool busy) override;
    // The same, but the clock moves atMostMs at most: a rest that the
    // ticking loop bounds itself (a settle time spent ticking others).
    void Rest(bool busy, int atMostMs);

    // Moves the clock by ms, as a sleep of the ticking thread would.
    void Hold(int ms);

private:
    void Advance(uint32_t ms);

    uint64_t Moved() const;

    ManualClock& clock;
    std::vector<MemoryRadio*> radios;
    uint64_t lastMoved = 0;
    int64_t elapsed = 0;
};
