#include "RadioImages.h"

// The scrambled records, assembled in by the firmware build.
extern "C" {
extern const uint8_t rxFlashWriterRecord[];
extern const uint64_t rxFlashWriterRecordSize;
extern const uint8_t rxCpuRecord[];
extern const uint64_t rxCpuRecordSize;
extern const uint8_t rxDspRecord[];
extern const uint64_t rxDspRecordSize;
}

namespace {
uint32_t Little32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

ImageRecord FromHeader(const uint8_t* data, uint64_t size)
{
    if (size <= recordHeaderLength)
        return {};
    const ImageRecord record{Little32(data), Little32(data + 4), data + recordHeaderLength};
    return RadioRecordLength(record) == size - recordHeaderLength ? record : ImageRecord{};
}
}

size_t RadioRecordLength(const ImageRecord& record)
{
    if (record.bytes == nullptr || record.last < record.first)
        return 0;
    return size_t{record.last} - record.first + 1;
}

std::vector<uint8_t> RadioPlainBytes(const ImageRecord& record)
{
    std::vector<uint8_t> plain(record.bytes, record.bytes + RadioRecordLength(record));
    unsigned sum = 0;
    size_t k = 0;
    for (uint8_t& b : plain) {
        sum = (sum + descrambleKey[k]) & 0xFF;
        k = (k + 1) % descrambleKeyLength;
        b = static_cast<uint8_t>(b ^ sum);
    }
    return plain;
}

const FirmwareSet& RadioBuiltInRecords()
{
    static const FirmwareSet set{FromHeader(rxFlashWriterRecord, rxFlashWriterRecordSize),
                                 FromHeader(rxCpuRecord, rxCpuRecordSize),
                                 FromHeader(rxDspRecord, rxDspRecordSize)};
    return set;
}
