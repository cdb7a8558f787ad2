#include "clsMotS.h"

#include <algorithm>
#include <cstring>
#include <limits>

// The window is left as the allocator gives it: its pages are touched only
// where blocks are placed.
clsMotS::clsMotS(uint32_t capacity)
    : capacity(capacity), window(std::make_unique_for_overwrite<uint8_t[]>(capacity))
{
    Clear(0xFF);
}

void clsMotS::Clear(uint8_t fillByte)
{
    fill = fillByte;
    first = -1;
    last = -1;
}

uint8_t* clsMotS::Place(int32_t address, uint32_t count)
{
    if (address < 0 || static_cast<int32_t>(count) <= 0)
        return nullptr;
    // A block running past the largest address cannot be recorded.
    const int64_t end = int64_t{address} + count - 1;
    if (end > std::numeric_limits<int32_t>::max())
        return nullptr;

    if (IsEmpty()) {
        if (count > capacity)
            return nullptr;
        first = address;
        last = static_cast<int32_t>(end);
        base = address;
        FillRange(first, last);
        return window.get();
    }

    // Check the widened range before recording it, so that a refused block
    // leaves the recorded range as it was.
    const int64_t newFirst = std::min<int64_t>(first, address);
    const int64_t newLast = std::max<int64_t>(last, end);
    if (newLast - newFirst + 1 > capacity)
        return nullptr;

    if (newFirst < base)
        MoveWindow(newFirst);
    else if (WindowEnd() < newLast)
        MoveWindow(newLast - capacity + 1);
    // What joins the range reads as the fill byte until it is written.
    FillRange(newFirst, int64_t{first} - 1);
    FillRange(int64_t{last} + 1, newLast);
    first = static_cast<int32_t>(newFirst);
    last = static_cast<int32_t>(newLast);
    return window.get() + (address - base);
}

// Only the recorded range moves; the rest of the window holds nothing that
// is ever read.
void clsMotS::MoveWindow(int64_t newBase)
{
    const size_t length = static_cast<size_t>(int64_t{last} - first + 1);
    std::memmove(window.get() + (first - newBase), window.get() + (first - base), length);
    base = static_cast<int32_t>(newBase);
}

void clsMotS::FillRange(int64_t from, int64_t to)
{
    if (from <= to)
        std::memset(window.get() + (from - base), fill, static_cast<size_t>(to - from + 1));
}

uint8_t clsMotS::GetByte(int32_t address) const
{
    if (IsEmpty() || address < first || address > last)
        return fill;
    if (address < base || address > WindowEnd())
        return fill;
    return window[address - base];
}

// The placed range always lies inside the window, so the bytes of from..to
// that are not fill bytes by definition are exactly its overlap with
// first..last.
bool clsMotS::HeldRange(int64_t from, int64_t to, int64_t& heldFrom, int64_t& heldTo) const
{
    if (IsEmpty())
        return false;
    heldFrom = std::max<int64_t>({from, first, base});
    heldTo = std::min<int64_t>({to, last, WindowEnd()});
    return heldFrom <= heldTo;
}

bool clsMotS::IsBlank(int32_t address, int32_t count) const
{
    int64_t heldFrom = 0;
    int64_t heldTo = 0;
    if (count <= 0 || !HeldRange(address, int64_t{address} + count - 1, heldFrom, heldTo))
        return true;
    const uint8_t* p = window.get() + (heldFrom - base);
    const uint8_t* end = p + (heldTo - heldFrom + 1);
    return std::find_if(p, end, [this](uint8_t b) { return b != fill; }) == end;
}

int32_t clsMotS::Read(int32_t address, int32_t count, uint8_t* out) const
{
    if (count <= 0)
        return count;
    std::memset(out, fill, static_cast<size_t>(count));
    int64_t heldFrom = 0;
    int64_t heldTo = 0;
    if (HeldRange(address, int64_t{address} + count - 1, heldFrom, heldTo))
        std::memcpy(out + (heldFrom - address), window.get() + (heldFrom - base),
                    static_cast<size_t>(heldTo - heldFrom + 1));
    return count;
}

uint16_t clsMotS::Sum(int32_t from, int32_t to) const
{
    if (to < from)
        return 0;
    // Sums modulo 65,536 taken after every addition equal one sum taken
    // modulo 65,536 at the end.
    const uint64_t total = static_cast<uint64_t>(int64_t{to} - from + 1);
    uint64_t held = 0;
    uint64_t sum = 0;
    int64_t heldFrom = 0;
    int64_t heldTo = 0;
    if (HeldRange(from, to, heldFrom, heldTo)) {
        held = static_cast<uint64_t>(heldTo - heldFrom + 1);
        const uint8_t* p = window.get() + (heldFrom - base);
        for (uint64_t i = 0; i < held; ++i)
            sum += p[i];
    }
    sum += (total - held) * fill;
    return static_cast<uint16_t>(sum);
}

int32_t clsMotS::Length() const
{
    return IsEmpty() ? 0 : last - first + 1;
}
