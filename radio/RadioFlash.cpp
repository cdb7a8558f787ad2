#include "RadioFlash.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t erased = 0xFF;
}

RadioFlash::RadioFlash(uint32_t first, uint32_t last)
    : first(first), last(last), bytes(size_t{last} - first + 1, erased)
{
}

bool RadioFlash::Contains(uint32_t address, uint32_t count) const
{
    if (count == 0 || address < first || address > last)
        return false;
    return uint64_t{address} + count - 1 <= last;
}

void RadioFlash::Write(uint32_t address, const uint8_t* data, uint32_t count)
{
    if (Contains(address, count))
        std::memcpy(&bytes[address - first], data, count);
}

void RadioFlash::Read(uint32_t address, uint32_t count, uint8_t* out) const
{
    if (Contains(address, count))
        std::memcpy(out, &bytes[address - first], count);
    else
        std::memset(out, erased, count);
}

bool RadioFlash::Equals(uint32_t address, const uint8_t* data, uint32_t count) const
{
    return Contains(address, count) && std::memcmp(&bytes[address - first], data, count) == 0;
}

void RadioFlash::Erase(uint32_t from, uint32_t to)
{
    from = std::max(from, first);
    to = std::min(to, last);
    if (from <= to)
        std::fill(bytes.begin() + (from - first), bytes.begin() + (to - first) + 1, erased);
}

uint16_t RadioFlash::Sum(uint32_t from, uint32_t to) const
{
    uint32_t sum = 0;
    for (uint64_t a = std::max(from, first); a <= std::min(to, last); ++a)
        sum += bytes[a - first];
    return static_cast<uint16_t>(sum);
}

int64_t RadioFlash::FirstDifference(const std::vector<uint8_t>& other) const
{
    const auto mismatch = std::mismatch(bytes.begin(), bytes.end(), other.begin(), other.end());
    if (mismatch.first == bytes.end() && mismatch.second == other.end())
        return -1;
    return int64_t{first} + (mismatch.first - bytes.begin());
}
