#include "ScrambleKey.h"
#include "clsPacket.h"

#include <gtest/gtest.h>

#include <functional>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// What the radio does with the wire bytes: undo the running XOR from the
// same state, advancing it with each recovered plain byte.
struct Receiver {
    uint8_t chain;
    uint8_t counter;

    Bytes Unscramble(const Bytes& wire)
    {
        Bytes plain;
        for (const uint8_t b : wire) {
            const uint8_t p = static_cast<uint8_t>(b ^ static_cast<uint8_t>(chain + counter));
            plain.push_back(p);
            chain = p;
            counter = static_cast<uint8_t>(counter + 1);
        }
        return plain;
    }
};

Bytes Packet(const clsPacket& codec)
{
    Bytes out(static_cast<size_t>(codec.GetLength()));
    codec.CopyTo(out.data());
    return out;
}

TEST(UpdatePacket, NewCodec)
{
    const clsPacket codec;
    EXPECT_EQ(codec.GetLength(), 0);
    EXPECT_EQ(codec.Capacity(), 0);
    EXPECT_EQ(codec.Chain(), packetChainSeed);
    EXPECT_EQ(codec.Counter(), packetCounterSeed);
}

struct EndCase {
    std::string name;
    uint8_t chain;
    uint8_t counter;
    Bytes wire;
    uint8_t counterAfter;
};

void PrintTo(const EndCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpdatePacketEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(UpdatePacketEnd, AfterSetSeed)
{
    const EndCase& c = GetParam();
    clsPacket codec;
    codec.SetSeed(c.chain, c.counter);
    EXPECT_EQ(codec.Chain(), c.chain);
    EXPECT_EQ(codec.Counter(), c.counter);
    codec.MakeEnd();
    EXPECT_EQ(codec.GetLength(), 5);
    EXPECT_EQ(Packet(codec), c.wire);
    EXPECT_EQ(codec.Chain(), 0xFD);
    EXPECT_EQ(codec.Counter(), c.counterAfter);
}

// Key bytes for FE FE 0F 01 FD are (s + c), (FE + c+1), (FE + c+2),
// (0F + c+3), (01 + c+4), all modulo 256.
INSTANTIATE_TEST_SUITE_P(UpdatePacket, UpdatePacketEnd, ::testing::Values(
    // keys 00 FF 00 12 05
    EndCase{"SeedZero", 0x00, 0x00, {0xFE, 0x01, 0x0F, 0x13, 0xF8}, 0x05},
    // keys 46 33 34 46 39
    EndCase{"Seed12_34", 0x12, 0x34, {0xB8, 0xCD, 0x3B, 0x47, 0xC4}, 0x39},
    // keys FD FD FE 10 03; the counter wraps
    EndCase{"CounterWraps", 0xFF, 0xFE, {0x03, 0x03, 0xF1, 0x11, 0xFE}, 0x03}),
    [](const auto& info) { return info.param.name; });

struct FrameCase {
    std::string name;
    std::function<void(clsPacket&)> make;
    Bytes plain;  // the packet before scrambling
};

void PrintTo(const FrameCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpdatePacketFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(UpdatePacketFrame, BeforeScrambling)
{
    const FrameCase& c = GetParam();
    clsPacket codec;
    codec.SetSeed(0x5A, 0xC3);
    c.make(codec);
    EXPECT_EQ(codec.GetLength(), static_cast<int32_t>(c.plain.size()));
    const Bytes wire = Packet(codec);
    Receiver radio{0x5A, 0xC3};
    EXPECT_EQ(radio.Unscramble(wire), c.plain);
    EXPECT_EQ(codec.Chain(), 0xFD);
    EXPECT_EQ(codec.Counter(), static_cast<uint8_t>(0xC3 + c.plain.size()));
}

const uint8_t oneFD[] = {0xFD};
const uint8_t twoBytes[] = {0x01, 0x02};
const uint8_t mixed[] = {0x00, 0xF9, 0xFA, 0x7F, 0xFF};

INSTANTIATE_TEST_SUITE_P(UpdatePacket, UpdatePacketFrame, ::testing::Values(
    FrameCase{"DataEscapedAddressAndByte",
              [](clsPacket& p) { p.MakeData(oneFD, 0xFAFBFC, 1, 0x08); },
              {0xFE, 0xFE, 0x08, 0xFF, 0x0A, 0xFF, 0x0B, 0xFF, 0x0C, 0xFF, 0x0D, 0xFD}},
    FrameCase{"DataTopAddressByteDropped",
              [](clsPacket& p) { p.MakeData(twoBytes, 0xAB123456u, 2, 0x00); },
              {0xFE, 0xFE, 0x00, 0x12, 0x34, 0x56, 0x01, 0x02, 0xFD}},
    FrameCase{"DataCountZero",
              [](clsPacket& p) { p.MakeData(nullptr, 0x010203, 0, 0x08); },
              {0xFE, 0xFE, 0x08, 0x01, 0x02, 0x03, 0xFD}},
    FrameCase{"DataMixedBytes",
              [](clsPacket& p) { p.MakeData(mixed, 0xE80000, 5, 0x00); },
              {0xFE, 0xFE, 0x00, 0xE8, 0x00, 0x00, 0x00, 0xF9, 0xFF, 0x0A, 0x7F, 0xFF, 0x0F, 0xFD}},
    FrameCase{"SumAllOnes", [](clsPacket& p) { p.MakeSum(0xFFFF); },
              {0xFE, 0xFE, 0x01, 0xFF, 0x0F, 0xFF, 0x0F, 0xFD}},
    FrameCase{"SumPlain", [](clsPacket& p) { p.MakeSum(0x2AD4); },
              {0xFE, 0xFE, 0x01, 0x2A, 0xD4, 0xFD}},
    FrameCase{"SumHighEscaped", [](clsPacket& p) { p.MakeSum(0xFB00); },
              {0xFE, 0xFE, 0x01, 0xFF, 0x0B, 0x00, 0xFD}},
    FrameCase{"End", [](clsPacket& p) { p.MakeEnd(); }, {0xFE, 0xFE, 0x0F, 0x01, 0xFD}}),
    [](const auto& info) { return info.param.name; });

struct EscapeCase {
    std::string name;
    Bytes in;
    Bytes out;
};

void PrintTo(const EscapeCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpdatePacketEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(UpdatePacketEscape, Bytes)
{
    const EscapeCase& c = GetParam();
    Bytes out(2 * c.in.size() + 1, 0xEE);
    const int32_t n = clsPacket::Escape(out.data(), c.in.data(), static_cast<int32_t>(c.in.size()));
    ASSERT_EQ(n, static_cast<int32_t>(c.out.size()));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + n), c.out);
    EXPECT_EQ(out[static_cast<size_t>(n)], 0xEE) << "wrote past its output";
}

INSTANTIATE_TEST_SUITE_P(UpdatePacket, UpdatePacketEscape, ::testing::Values(
    EscapeCase{"Nothing", {}, {}},
    EscapeCase{"BelowFA", {0x00, 0x7F, 0xF9}, {0x00, 0x7F, 0xF9}},
    EscapeCase{"FAtoFF", {0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF},
               {0xFF, 0x0A, 0xFF, 0x0B, 0xFF, 0x0C, 0xFF, 0x0D, 0xFF, 0x0E, 0xFF, 0x0F}},
    EscapeCase{"Mixed", {0x00, 0xFE, 0x7F}, {0x00, 0xFF, 0x0E, 0x7F}}),
    [](const auto& info) { return info.param.name; });

TEST(UpdatePacket, EscapeNegativeCountWritesNothing)
{
    const uint8_t in[1] = {0xFF};
    uint8_t out[2] = {0xEE, 0xEE};
    EXPECT_EQ(clsPacket::Escape(out, in, -1), 0);
    EXPECT_EQ(out[0], 0xEE);
}

TEST(UpdatePacket, LongestDataPacket)
{
    // Every byte escaped: 3 + 6 + 2 x 256 + 1 = 2 x 256 + 10 bytes.
    const Bytes data(256, 0xFF);
    clsPacket codec;
    codec.SetSeed(0x00, 0x00);
    codec.MakeData(data.data(), 0xFFFFFF, 256, 0x08);
    ASSERT_EQ(codec.GetLength(), 522);
    Receiver radio{0x00, 0x00};
    const Bytes plain = radio.Unscramble(Packet(codec));
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 3), (Bytes{0xFE, 0xFE, 0x08}));
    for (size_t i = 3; i < 521; i += 2) {
        EXPECT_EQ(plain[i], 0xFF) << i;
        EXPECT_EQ(plain[i + 1], 0x0F) << i;
    }
    EXPECT_EQ(plain[521], 0xFD);
}

TEST(UpdatePacket, BufferOnlyGrows)
{
    const Bytes data(100, 0x00);
    clsPacket codec;
    codec.MakeEnd();
    EXPECT_EQ(codec.Capacity(), 12);
    codec.MakeData(data.data(), 0, 100, 0x08);
    EXPECT_EQ(codec.Capacity(), 214);  // 2 x (100 + 7)
    EXPECT_EQ(codec.GetLength(), 107);
    codec.MakeData(data.data(), 0, 10, 0x08);
    EXPECT_EQ(codec.Capacity(), 214);
    EXPECT_EQ(codec.GetLength(), 17);
    codec.MakeSum(0);
    EXPECT_EQ(codec.Capacity(), 214);
    EXPECT_EQ(codec.GetLength(), 6);
}

TEST(UpdatePacket, ZeroRunWithChainZeroShowsTheCounter)
{
    for (const uint8_t start : {uint8_t{0x00}, uint8_t{0x80}, uint8_t{0xFF}}) {
        clsPacket codec;
        codec.SetSeed(0x00, start);
        Bytes run(256, 0x00);
        codec.Scramble(run.data(), 256);
        for (size_t i = 0; i < run.size(); ++i)
            ASSERT_EQ(run[i], static_cast<uint8_t>(start + i)) << "start " << int{start} << " byte " << i;
        EXPECT_EQ(codec.Chain(), 0x00);
        EXPECT_EQ(codec.Counter(), start);
    }
}

TEST(UpdatePacket, ScrambleNothingKeepsState)
{
    clsPacket codec;
    codec.SetSeed(0x12, 0x34);
    uint8_t byte = 0x99;
    codec.Scramble(&byte, 0);
    codec.Scramble(&byte, -5);
    EXPECT_EQ(byte, 0x99);
    EXPECT_EQ(codec.Chain(), 0x12);
    EXPECT_EQ(codec.Counter(), 0x34);
}

TEST(UpdatePacket, SingleBytesAndPacketsShareOneState)
{
    clsPacket codec;
    codec.SetSeed(0x21, 0x6D);
    // 0x41 ^ (0x21 + 0x6D) = 0x41 ^ 0x8E = 0xCF
    uint8_t single = 0x41;
    codec.Scramble(&single, 1);
    EXPECT_EQ(single, 0xCF);
    codec.MakeSum(0x1234);
    Bytes wire{single};
    const Bytes packet = Packet(codec);
    wire.insert(wire.end(), packet.begin(), packet.end());
    Receiver radio{0x21, 0x6D};
    EXPECT_EQ(radio.Unscramble(wire), (Bytes{0x41, 0xFE, 0xFE, 0x01, 0x12, 0x34, 0xFD}));
}

TEST(UpdatePacket, PacketBuiltButNotSentPutsReceiverOutOfStep)
{
    clsPacket codec;
    codec.SetSeed(0x00, 0x00);
    codec.MakeEnd();
    const Bytes first = Packet(codec);
    codec.MakeEnd();
    const Bytes second = Packet(codec);

    Receiver inStep{0x00, 0x00};
    EXPECT_EQ(inStep.Unscramble(first), (Bytes{0xFE, 0xFE, 0x0F, 0x01, 0xFD}));
    EXPECT_EQ(inStep.Unscramble(second), (Bytes{0xFE, 0xFE, 0x0F, 0x01, 0xFD}));

    Receiver skipped{0x00, 0x00};
    EXPECT_NE(skipped.Unscramble(second), (Bytes{0xFE, 0xFE, 0x0F, 0x01, 0xFD}));
}

}  // namespace
