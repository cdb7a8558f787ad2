#include "FrameDecoder.h"

#include <cstdio>

namespace {
constexpr uint8_t frameStart = 0xFE;
constexpr uint8_t frameEnd = 0xFD;
constexpr uint8_t escapeMark = 0xFF;
constexpr uint8_t firstEscaped = 0xFA;
// Three address bytes and one 256-byte block: the longest packet's fields.
constexpr size_t longestFields = 3 + 256;

bool KnownCommand(uint8_t command)
{
    return command == 0x00 || command == 0x01 || command == 0x08 || command == 0x0F;
}
}

void FrameDecoder::SetSeed(uint8_t first, uint8_t second)
{
    chain = first;
    counter = second;
    stage = Stage::Start1;
    fields.clear();
}

uint8_t FrameDecoder::Descramble(uint8_t scrambled)
{
    const auto plain = static_cast<uint8_t>(scrambled ^ static_cast<uint8_t>(chain + counter));
    chain = plain;
    counter = static_cast<uint8_t>(counter + 1);
    return plain;
}

FrameDecoder::Result FrameDecoder::Fail(const char* what, uint8_t byte)
{
    char text[96];
    std::snprintf(text, sizeof text, what, byte);
    error = text;
    stage = Stage::Start1;
    fields.clear();
    return Result::Error;
}

FrameDecoder::Result FrameDecoder::Feed(uint8_t scrambled)
{
    const uint8_t b = Descramble(scrambled);
    switch (stage) {
    case Stage::Start1:
    case Stage::Start2:
        if (b != frameStart)
            return Fail("packet does not start FE FE (byte 0x%02X): scrambler out of step or bad frame", b);
        stage = stage == Stage::Start1 ? Stage::Start2 : Stage::Command;
        return Result::More;
    case Stage::Command:
        if (!KnownCommand(b))
            return Fail("unknown packet command 0x%02X", b);
        command = b;
        fields.clear();
        stage = Stage::Fields;
        return Result::More;
    case Stage::Escaped:
        if (b < (firstEscaped & 0x0F) || b > 0x0F)
            return Fail("bad escape FF %02X", b);
        fields.push_back(static_cast<uint8_t>(0xF0 | b));
        stage = Stage::Fields;
        break;
    case Stage::Fields:
        if (b == frameEnd) {
            stage = Stage::Start1;
            return Result::Packet;
        }
        if (b == escapeMark) {
            stage = Stage::Escaped;
            return Result::More;
        }
        if (b >= firstEscaped)
            return Fail("unescaped byte 0x%02X inside a packet", b);
        fields.push_back(b);
        break;
    }
    if (fields.size() > longestFields)
        return Fail("packet longer than a block (at byte 0x%02X)", b);
    return Result::More;
}
