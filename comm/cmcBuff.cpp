#include "cmcBuff.h"

#include "FatalDisplay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {
// Taking this many bytes from the front is free; one more compacts.
constexpr int32_t kMaxTakenBeforeCompact = 4096;
}

cmcBuff::cmcBuff()
{
    Clear();
}

void cmcBuff::Clear()
{
    storage = std::make_unique<uint8_t[]>(1);
    storageSize = 1;
    head = storage.get();
    count = 0;
    room = 1;
    fill = 0;
    storage[0] = fill;
}

// Moves the held bytes to the start of a fresh block of newRoom bytes.
void cmcBuff::Reallocate(int32_t newRoom)
{
    newRoom = std::max<int32_t>(newRoom, 1);
    auto block = std::make_unique<uint8_t[]>(static_cast<size_t>(newRoom));
    const int32_t kept = std::min(count, newRoom);
    if (kept > 0) {
        std::memcpy(block.get(), head, static_cast<size_t>(kept));
    }
    std::memset(block.get() + kept, fill, static_cast<size_t>(newRoom - kept));
    storage = std::move(block);
    storageSize = newRoom;
    head = storage.get();
    room = newRoom;
}

int32_t cmcBuff::SetLength(int32_t n)
{
    n = std::max<int32_t>(n, 0);
    if (n > room) {
        // A quarter of the current length on top keeps byte-wise appends cheap.
        Reallocate(n + count / 4);
    }
    count = n;
    return count;
}

bool cmcBuff::HoldsPointer(const uint8_t* p) const
{
    const uint8_t* begin = storage.get();
    return p != nullptr && std::less_equal<const uint8_t*>()(begin, p)
        && std::less<const uint8_t*>()(p, begin + storageSize);
}

void cmcBuff::Add(uint8_t byte)
{
    const int32_t at = count;
    SetLength(count + 1);
    head[at] = byte;
}

void cmcBuff::Append(const uint8_t* data, int32_t n)
{
    if (n <= 0 || data == nullptr) {
        return;
    }
    if (HoldsPointer(data)) {
        // Growing may move the storage the source lies in.
        const std::vector<uint8_t> copy(data, data + n);
        Append(copy.data(), n);
        return;
    }
    const int32_t at = count;
    SetLength(count + n);
    std::memcpy(head + at, data, static_cast<size_t>(n));
}

void cmcBuff::Assign(const uint8_t* data, int32_t n)
{
    n = std::max<int32_t>(n, 0);
    if (n > 0 && HoldsPointer(data)) {
        const std::vector<uint8_t> copy(data, data + n);
        SetLength(n);
        std::memcpy(head, copy.data(), static_cast<size_t>(n));
        return;
    }
    SetLength(n);
    if (n > 0 && data != nullptr) {
        std::memcpy(head, data, static_cast<size_t>(n));
    }
}

uint8_t* cmcBuff::At(int32_t index)
{
    if (index < 0 || index >= count) {
        ShowFatal("Out of cmcBuff element !");
        std::_Exit(3);
    }
    return head + index;
}

int cmcBuff::Pop()
{
    if (count <= 0) {
        return -1;
    }
    const int byte = *head;
    ++head;
    --room;
    SetLength(count - 1);
    if (head - storage.get() > kMaxTakenBeforeCompact) {
        Compact();
    }
    return byte;
}

void cmcBuff::Compact()
{
    Reallocate(count);
}
