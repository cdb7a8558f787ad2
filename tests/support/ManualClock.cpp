#include "ManualClock.h"

#include <algorithm>

namespace {
// Moments further ahead than this are taken as already past: count-downs
// are far shorter, and the count wraps.
constexpr uint32_t Horizon = 0x80000000u;
}

void ManualClock::Forget() const
{
    const auto end = std::remove_if(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(count),
                                    [this](uint32_t at) { return at - now == 0 || at - now >= Horizon; });
    count = static_cast<size_t>(end - expected.begin());
}

void ManualClock::Expect(uint32_t at) const
{
    Forget();  // what has run out, so that the list stays short
    const auto end = expected.begin() + static_cast<std::ptrdiff_t>(count);
    if (at - now == 0 || at - now >= Horizon || std::find(expected.begin(), end, at) != end) {
        return;
    }
    if (count < expected.size()) {
        expected[count++] = at;
        return;
    }
    // Full: the farthest moment gives way; the nearest ones are the ones that matter.
    const auto farthest =
        std::max_element(expected.begin(), end, [this](uint32_t a, uint32_t b) { return a - now < b - now; });
    if (at - now < *farthest - now) {
        *farthest = at;
    }
}

std::optional<uint32_t> ManualClock::NextExpected() const
{
    Forget();
    if (count == 0) {
        return std::nullopt;
    }
    const auto end = expected.begin() + static_cast<std::ptrdiff_t>(count);
    return *std::min_element(expected.begin(), end, [this](uint32_t a, uint32_t b) { return a - now < b - now; });
}
