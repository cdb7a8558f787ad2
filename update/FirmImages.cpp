#include "FirmImages.h"

#include "ScrambleKey.h"

#include <cstring>
#include <limits>

namespace {
uint32_t ReadLittle32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
}

size_t RecordLength(const ImageRecord& record)
{
    if (record.bytes == nullptr || record.last < record.first)
        return 0;
    return size_t{record.last} - record.first + 1;
}

bool ParseRecord(const uint8_t* data, size_t size, ImageRecord& record)
{
    if (data == nullptr || size <= recordHeaderLength)
        return false;
    const ImageRecord parsed{ReadLittle32(data), ReadLittle32(data + 4), data + recordHeaderLength};
    if (RecordLength(parsed) != size - recordHeaderLength)
        return false;
    record = parsed;
    return true;
}

void Descramble(uint8_t* buffer, int32_t count)
{
    uint8_t sum = 0;
    int keyIndex = 0;
    for (int32_t n = 0; n < count; ++n) {
        sum = static_cast<uint8_t>(sum + descrambleKey[keyIndex]);
        if (++keyIndex == descrambleKeyLength)
            keyIndex = 0;
        buffer[n] ^= sum;
    }
}

std::unique_ptr<clsMotS> LoadImage(const ImageRecord& record, uint32_t capacity)
{
    const size_t length = RecordLength(record);
    if (length == 0 || length > std::numeric_limits<int32_t>::max()
        || record.first > std::numeric_limits<int32_t>::max())
        return nullptr;
    // A new store is already cleared to 0xFF.
    auto store = std::make_unique<clsMotS>(capacity);
    uint8_t* p = store->Place(static_cast<int32_t>(record.first), static_cast<uint32_t>(length));
    if (p == nullptr)
        return nullptr;
    std::memcpy(p, record.bytes, length);
    Descramble(p, static_cast<int32_t>(length));
    return store;
}

std::vector<uint8_t> PlainBytes(const ImageRecord& record)
{
    const size_t length = RecordLength(record);
    std::vector<uint8_t> plain(record.bytes, record.bytes + length);
    Descramble(plain.data(), static_cast<int32_t>(length));
    return plain;
}
