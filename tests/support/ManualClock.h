#pragma once
#include "TickClock.h"

#include <cstdint>
#include <optional>
#include <vector>

// A millisecond clock that moves only when told to and remembers when the
// count-downs and timers started on it run out, so that a harness can jump
// straight to the next of those moments instead of waiting for it.
class ManualClock final : public TickClock {
public:
    explicit ManualClock(uint32_t start = 0) : now(start) {}

    uint32_t Now() const override { return now; }
    void Expect(uint32_t at) const override;

    // Wraps at 2^32 like the platform's count.
    void Advance(uint32_t ms) { now += ms; }
    // The nearest moment still ahead at which something runs out; none when
    // nothing is expected any more.
    std::optional<uint32_t> NextExpected() const;

private:
    uint32_t now;
    mutable std::vector<uint32_t> expected;
};
