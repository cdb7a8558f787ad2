#include "FirmImages.h"
#include "OwnedImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

TEST(FirmDescramble, ZeroBytesShowTheRunningKeySum)
{
    // Sums of the key bytes 3B, A7, 11, 6C, ...; all 27 key bytes add up to
    // 0xB0, after which the key starts again: B0 + 3B = EB, EB + A7 = 92.
    std::vector<uint8_t> buffer(29, 0x00);
    Descramble(buffer.data(), 29);
    EXPECT_EQ(buffer[0], 0x3B);
    EXPECT_EQ(buffer[1], 0xE2);
    EXPECT_EQ(buffer[2], 0xF3);
    EXPECT_EQ(buffer[3], 0x5F);
    EXPECT_EQ(buffer[26], 0xB0);
    EXPECT_EQ(buffer[27], 0xEB);
    EXPECT_EQ(buffer[28], 0x92);

    // Each call starts again from the first key byte.
    uint8_t again[2] = {0xFF, 0x00};
    Descramble(again, 2);
    EXPECT_EQ(again[0], 0xC4);  // FF ^ 3B
    EXPECT_EQ(again[1], 0xE2);
}

TEST(FirmDescramble, NothingForCountZeroOrLess)
{
    uint8_t buffer[3] = {0x11, 0x22, 0x33};
    Descramble(buffer, 0);
    Descramble(buffer, -1);
    EXPECT_EQ(buffer[0], 0x11);
    EXPECT_EQ(buffer[1], 0x22);
    EXPECT_EQ(buffer[2], 0x33);
}

TEST(FirmDescramble, TwiceRestores)
{
    std::vector<uint8_t> plain(1000);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(i * 7 + 3);
    std::vector<uint8_t> buffer = plain;
    Descramble(buffer.data(), static_cast<int32_t>(buffer.size()));
    EXPECT_NE(buffer, plain);
    Descramble(buffer.data(), static_cast<int32_t>(buffer.size()));
    EXPECT_EQ(buffer, plain);
}

struct ParseCase {
    std::string name;
    std::vector<uint8_t> data;
    bool ok;
    uint32_t first;
    uint32_t last;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmRecordParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FirmRecordParse, Header)
{
    const ParseCase& c = GetParam();
    ImageRecord record{7, 7, nullptr};
    EXPECT_EQ(ParseRecord(c.data.data(), c.data.size(), record), c.ok);
    if (c.ok) {
        EXPECT_EQ(record.first, c.first);
        EXPECT_EQ(record.last, c.last);
        EXPECT_EQ(record.bytes, c.data.data() + 8);
    } else {
        EXPECT_EQ(record.first, 7u);  // untouched
        EXPECT_EQ(record.bytes, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(FirmRecord, FirmRecordParse, ::testing::Values(
    ParseCase{"ThreeBytesAt0x28C", {0x8C, 0x02, 0, 0, 0x8E, 0x02, 0, 0, 0xAA, 0xBB, 0xCC}, true,
              0x28C, 0x28E},
    ParseCase{"HighAddress", {0x00, 0x00, 0xE8, 0x00, 0x00, 0x00, 0xE8, 0x00, 0x42}, true,
              0xE80000, 0xE80000},
    ParseCase{"OneByteShort", {0x8C, 0x02, 0, 0, 0x8E, 0x02, 0, 0, 0xAA, 0xBB}, false, 0, 0},
    ParseCase{"OneByteLong", {0x8C, 0x02, 0, 0, 0x8E, 0x02, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD},
              false, 0, 0},
    ParseCase{"LastBelowFirst", {0x10, 0, 0, 0, 0x0F, 0, 0, 0, 0xAA}, false, 0, 0},
    ParseCase{"HeaderOnly", {0x10, 0, 0, 0, 0x10, 0, 0, 0}, false, 0, 0}),
    [](const auto& info) { return info.param.name; });

TEST(FirmLoadImage, OwnedRecordLoadsAtItsAddresses)
{
    const OwnedImage image(0x100, {0x01, 0x02, 0xFE, 0x04});
    const ImageRecord record = image.Record();
    EXPECT_EQ(record.first, 0x100u);
    EXPECT_EQ(record.last, 0x103u);
    EXPECT_EQ(PlainBytes(record), (std::vector<uint8_t>{0x01, 0x02, 0xFE, 0x04}));
    // Stored scrambled: first byte 01 ^ 3B.
    EXPECT_EQ(record.bytes[0], 0x3A);

    const auto store = LoadImage(record, 4096);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->FirstAddress(), 0x100);
    EXPECT_EQ(store->LastAddress(), 0x103);
    EXPECT_EQ(store->GetByte(0xFF), 0xFF);
    EXPECT_EQ(store->GetByte(0x100), 0x01);
    EXPECT_EQ(store->GetByte(0x102), 0xFE);
    EXPECT_EQ(store->GetByte(0x103), 0x04);
    EXPECT_EQ(store->GetByte(0x104), 0xFF);
}

TEST(FirmLoadImage, RefusesWhatCannotBeHeld)
{
    const OwnedImage image(0x100, std::vector<uint8_t>(17, 0x00));
    EXPECT_NE(LoadImage(image.Record(), 17), nullptr);
    EXPECT_EQ(LoadImage(image.Record(), 16), nullptr);

    const OwnedImage empty(0x100, {});
    EXPECT_EQ(LoadImage(empty.Record(), 4096), nullptr);

    // Addresses above the signed 32-bit range cannot be placed.
    const uint8_t byte = 0;
    EXPECT_EQ(LoadImage(ImageRecord{0x80000000u, 0x80000000u, &byte}, 4096), nullptr);
}

struct BuiltInCase {
    std::string name;
    std::function<const ImageRecord&()> record;
    uint32_t first;
    uint32_t last;
    uint32_t capacity;
};

void PrintTo(const BuiltInCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmBuiltIn : public ::testing::TestWithParam<BuiltInCase> {};

TEST_P(FirmBuiltIn, LoadsAtItsAddresses)
{
    const BuiltInCase& c = GetParam();
    const ImageRecord& record = c.record();
    EXPECT_EQ(record.first, c.first);
    EXPECT_EQ(record.last, c.last);
    ASSERT_NE(record.bytes, nullptr);

    const auto store = LoadImage(record, c.capacity);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->FirstAddress(), static_cast<int32_t>(c.first));
    EXPECT_EQ(store->LastAddress(), static_cast<int32_t>(c.last));
    EXPECT_EQ(store->Length(), static_cast<int32_t>(c.last - c.first + 1));
    // Beyond the record: erased flash.
    const int32_t after = static_cast<int32_t>(c.last) + 1;
    EXPECT_EQ(store->GetByte(after), 0xFF);
    EXPECT_TRUE(store->IsBlank(after, 256));
    if (c.first > 0) {
        EXPECT_EQ(store->GetByte(static_cast<int32_t>(c.first) - 1), 0xFF);
    }
    // The store holds the record's plain bytes.
    const std::vector<uint8_t> plain = PlainBytes(record);
    std::vector<uint8_t> read(plain.size());
    store->Read(static_cast<int32_t>(c.first), static_cast<int32_t>(read.size()), read.data());
    EXPECT_EQ(read, plain);
}

INSTANTIATE_TEST_SUITE_P(FirmImages, FirmBuiltIn, ::testing::Values(
    BuiltInCase{"FlashWriter", FlashWriterImage, 0x00028C, 0x0005CF, 16777216},
    BuiltInCase{"Cpu", CpuImage, 0xE80000, 0xFFFFFF, 16777216},
    BuiltInCase{"Dsp", DspImage, 0x000000, 0x028645, 262144}),
    [](const auto& info) { return info.param.name; });

TEST(FirmImages, BuiltInSetMatchesAccessors)
{
    const FirmwareSet& set = BuiltInFirmware();
    EXPECT_EQ(set.flashWriter.bytes, FlashWriterImage().bytes);
    EXPECT_EQ(set.cpu.bytes, CpuImage().bytes);
    EXPECT_EQ(set.dsp.bytes, DspImage().bytes);
    EXPECT_EQ(RecordLength(set.flashWriter), 836u);
    EXPECT_EQ(RecordLength(set.cpu), 1572864u);
    EXPECT_EQ(RecordLength(set.dsp), 165446u);
}

TEST(FirmImages, BuiltInFields)
{
#ifndef RX_SAMPLE_FIRMWARE
    GTEST_SKIP() << "built with maintainer-supplied images";
#endif
    const auto cpu = LoadImage(CpuImage(), 16777216);
    ASSERT_NE(cpu, nullptr);
    uint8_t version[8];
    cpu->Read(0xE80480, 8, version);
    EXPECT_EQ(std::string(version, version + 8), "1.05-120");
    uint8_t variant[10];
    cpu->Read(0xFFC000, 10, variant);
    EXPECT_EQ(std::memcmp(variant, "P-SCAN ON\0", 10), 0);

    const auto dsp = LoadImage(DspImage(), 262144);
    ASSERT_NE(dsp, nullptr);
    uint8_t field[20];
    dsp->Read(0x01000E, 20, field);
    const uint8_t expected[20] = {0x00, '1', 0x00, '.', 0x00, '0', 0x00, '2', 0x00, '-',
                                  0x00, '0', 0x00, '0', 0x00, '3', 0x00, '5', 0x00, 0x00};
    EXPECT_EQ(std::memcmp(field, expected, 20), 0);
    EXPECT_EQ(dsp->GetByte(0x028646), 0xFF);
    EXPECT_EQ(dsp->GetByte(0x03FFFF), 0xFF);
}

// The sample images look like real firmware: code between erased stretches,
// and bytes that the packet codec has to escape.
TEST(FirmImages, SampleShape)
{
#ifndef RX_SAMPLE_FIRMWARE
    GTEST_SKIP() << "built with maintainer-supplied images";
#endif
    const auto cpu = LoadImage(CpuImage(), 16777216);
    ASSERT_NE(cpu, nullptr);
    int blank = 0;
    for (int32_t a = 0xE80000; a <= 0xFFFFFF; a += 256)
        blank += cpu->IsBlank(a, 256) ? 1 : 0;
    EXPECT_GT(blank, 6144 / 4);
    EXPECT_LT(blank, 6144 / 2);
    int escaped = 0;
    for (int32_t a = 0xE80000; a < 0xE90000; ++a)
        escaped += (cpu->GetByte(a) >= 0xFA && cpu->GetByte(a) != 0xFF) ? 1 : 0;
    EXPECT_GT(escaped, 1000);
}

}  // namespace
