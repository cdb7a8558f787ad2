#include "clsPacket.h"

#include "ScrambleKey.h"

#include <cstring>

namespace {
constexpr uint8_t frameStart = 0xFE;
constexpr uint8_t frameEnd = 0xFD;
constexpr uint8_t escapeMark = 0xFF;
constexpr uint8_t firstEscaped = 0xFA;
constexpr uint8_t sumCommand = 0x01;
constexpr uint8_t endCommand = 0x0F;
constexpr uint8_t endField = 0x01;
// Room for the sum and end packets: frame, command and two escaped bytes.
constexpr int32_t shortPacketRoom = 12;
}

clsPacket::clsPacket() : chain(packetChainSeed), counter(packetCounterSeed) {}

void clsPacket::SetSeed(uint8_t first, uint8_t second)
{
    chain = first;
    counter = second;
}

void clsPacket::Scramble(uint8_t* buffer, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t plain = buffer[i];
        buffer[i] = static_cast<uint8_t>(plain ^ static_cast<uint8_t>(chain + counter));
        chain = plain;
        counter = static_cast<uint8_t>(counter + 1);
    }
}

int32_t clsPacket::Escape(uint8_t* out, const uint8_t* in, int32_t count)
{
    int32_t written = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (in[i] >= firstEscaped) {
            out[written++] = escapeMark;
            out[written++] = static_cast<uint8_t>(in[i] & 0x0F);
        } else {
            out[written++] = in[i];
        }
    }
    return written;
}

void clsPacket::Reserve(int32_t size)
{
    if (size <= packetCapacity)
        return;
    packet = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(size));
    packetCapacity = size;
}

void clsPacket::Finish(int32_t length)
{
    packetLength = length;
    Scramble(packet.get(), packetLength);
}

void clsPacket::MakeData(const uint8_t* data, uint32_t address, int32_t count, uint8_t command)
{
    if (count < 0)
        count = 0;
    Reserve(2 * (count + 7));
    uint8_t* p = packet.get();
    int32_t n = 0;
    p[n++] = frameStart;
    p[n++] = frameStart;
    p[n++] = command;
    const uint8_t addressBytes[3] = {static_cast<uint8_t>(address >> 16),
                                     static_cast<uint8_t>(address >> 8),
                                     static_cast<uint8_t>(address)};
    n += Escape(p + n, addressBytes, 3);
    n += Escape(p + n, data, count);
    p[n++] = frameEnd;
    Finish(n);
}

void clsPacket::MakeSum(uint16_t value)
{
    Reserve(shortPacketRoom);
    uint8_t* p = packet.get();
    int32_t n = 0;
    p[n++] = frameStart;
    p[n++] = frameStart;
    p[n++] = sumCommand;
    const uint8_t valueBytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    n += Escape(p + n, valueBytes, 2);
    p[n++] = frameEnd;
    Finish(n);
}

void clsPacket::MakeEnd()
{
    Reserve(shortPacketRoom);
    const uint8_t frame[5] = {frameStart, frameStart, endCommand, endField, frameEnd};
    std::memcpy(packet.get(), frame, sizeof frame);
    Finish(static_cast<int32_t>(sizeof frame));
}

void clsPacket::CopyTo(uint8_t* out) const
{
    if (packetLength > 0)
        std::memcpy(out, packet.get(), static_cast<size_t>(packetLength));
}
