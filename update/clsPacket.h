#pragma once

#include <cstdint>
#include <memory>

// Builds the boot loader's packets (data, sum, end): framed, with escaped
// fields, then scrambled by a running XOR whose state carries on from packet
// to packet and through single bytes scrambled on their own.
class clsPacket {
public:
    clsPacket();
    clsPacket(const clsPacket&) = delete;
    clsPacket& operator=(const clsPacket&) = delete;

    void SetSeed(uint8_t first, uint8_t second);
    void Scramble(uint8_t* buffer, int32_t count);
    // Writes the escaped form of `count` bytes to out (room for 2 x count);
    // returns the number of bytes written.
    static int32_t Escape(uint8_t* out, const uint8_t* in, int32_t count);

    // Only bits 23-0 of the address are sent.
    void MakeData(const uint8_t* data, uint32_t address, int32_t count, uint8_t command);
    void MakeSum(uint16_t value);
    void MakeEnd();

    int32_t GetLength() const { return packetLength; }
    // Copies GetLength() bytes; the caller provides the room.
    void CopyTo(uint8_t* out) const;

    uint8_t Chain() const { return chain; }
    uint8_t Counter() const { return counter; }
    int32_t Capacity() const { return packetCapacity; }

private:
    void Reserve(int32_t size);
    void Finish(int32_t length);

    uint8_t chain;
    uint8_t counter;
    std::unique_ptr<uint8_t[]> packet;
    int32_t packetLength = 0;
    int32_t packetCapacity = 0;
};
