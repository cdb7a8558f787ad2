#include "ManualClock.h"

#include <algorithm>

namespace {
// Moments further ahead than this are taken as already past: count-downs
// are far shorter, and the count wraps.
constexpr uint32_t Horizon = 0x80000000u;
}

void ManualClock::Expect(uint32_t at) const
{
    if (at - now != 0 && at - now < Horizon
        && std::find(expected.begin(), expected.end(), at) == expected.end()) {
        expected.push_back(at);
    }
}

std::optional<uint32_t> ManualClock::NextExpected() const
{
    // Forget what has run out; what is left is ahead of now.
    std::erase_if(expected, [this](uint32_t at) { return at - now == 0 || at - now >= Horizon; });
    if (expected.empty()) {
        return std::nullopt;
    }
    const auto nearest = std::min_element(expected.begin(), expected.end(),
                                          [this](uint32_t a, uint32_t b) { return a - now < b - now; });
    return *nearest;
}
