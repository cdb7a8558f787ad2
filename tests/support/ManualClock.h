#pragma once
#include "TickClock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

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
    // Jumps to value, also backwards.
    void Set(uint32_t value) { now = value; }

private:
    void Forget() const;

    uint32_t now;
    // A few count-downs run at once; a fixed list keeps the clock off the
    // heap, which the fuzz harness watches.
    mutable std::array<uint32_t, 32> expected{};
    mutable size_t count = 0;
};
