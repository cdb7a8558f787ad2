#include "OwnedImage.h"
#include "Targets.h"
#include "VersionCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Identity answer: 8 main-processor characters, the variant mark, 8 DSP characters.
std::vector<uint8_t> Ident(const std::string& cpu, char mark, const std::string& dsp)
{
    std::vector<uint8_t> ident = Bytes(cpu);
    ident.push_back(static_cast<uint8_t>(mark));
    const std::vector<uint8_t> d = Bytes(dsp);
    ident.insert(ident.end(), d.begin(), d.end());
    return ident;
}

// Test images: main processor "2.10-300" and DSP "3.45-6789", the DSP field
// ending in two bytes that are not part of the comparison.
struct TestFirmware {
    OwnedImage cpu{0xE80480, Bytes("2.10-300")};
    OwnedImage dsp{0x01000E, {0x00, '3', 0x00, '.', 0x00, '4', 0x00, '5', 0x00, '-',
                              0x00, '6', 0x00, '7', 0x00, '8', 0x00, '9', 0x12, 0x34}};
    OwnedImage none{0, {}};

    FirmwareSet Set() const { return {none.Record(), cpu.Record(), dsp.Record()}; }
    // Images that cannot be loaded, to show that a path loads nothing.
    FirmwareSet Unloadable() const { return {none.Record(), none.Record(), none.Record()}; }
};

struct TextCase {
    std::string name;
    std::string text;
    bool allowed;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmVersionText : public ::testing::TestWithParam<TextCase> {};

TEST_P(FirmVersionText, Allowed)
{
    const TextCase& c = GetParam();
    ASSERT_EQ(c.text.size(), 8u);
    EXPECT_EQ(IsVersionText(Bytes(c.text).data()), c.allowed);
}

INSTANTIATE_TEST_SUITE_P(FirmVersion, FirmVersionText, ::testing::Values(
    TextCase{"Digits", "1.05-120", true},
    TextCase{"CpuPlaceholder", "X.XX-XXX", true},
    TextCase{"EightBlanks", "        ", true},
    TextCase{"Letters", "abcXYZ09", true},
    TextCase{"Slash", "1/05-120", false},
    TextCase{"Underscore", "1.05_120", false},
    TextCase{"ZeroByte", std::string("1.05-12\0", 8), false},
    TextCase{"Tab", "1.05-12\t", false},
    TextCase{"Byte0x80", "1.05-12\x80", false},
    TextCase{"Byte0xFF", "\xFF.05-120", false},
    TextCase{"AtSign", "@.05-120", false},
    TextCase{"Bracket", "[.05-120", false},
    TextCase{"Backquote", "`.05-120", false},
    TextCase{"Brace", "{.05-120", false},
    TextCase{"Colon", "1:05-120", false}),
    [](const auto& info) { return info.param.name; });

TEST(FirmVersion, HasBlankCpu)
{
    EXPECT_TRUE(HasBlankCpu(Ident("X.XX-XXX", ' ', "01020035").data()));
    EXPECT_TRUE(HasBlankCpu(Ident("X.X12345", 'J', "        ").data()));
    EXPECT_FALSE(HasBlankCpu(Ident("X.Y1-234", ' ', "01020035").data()));
    EXPECT_FALSE(HasBlankCpu(Ident("x.xx-xxx", ' ', "01020035").data()));
    EXPECT_FALSE(HasBlankCpu(Ident("1.05-120", ' ', "01020035").data()));
}

TEST(FirmVersion, WriteTimes)
{
    EXPECT_EQ(writeTimeTable[TargetCpu], 350);
    EXPECT_EQ(writeTimeTable[TargetDsp], 90);
}

enum class Sign { Older, Equal, Newer };

struct CompareCase {
    std::string name;
    std::vector<uint8_t> ident;
    int target;
    bool unloadable;  // use images that cannot be loaded
    Sign sign;
    bool invalid;
    bool refused;
};

void PrintTo(const CompareCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmVersionCompare : public ::testing::TestWithParam<CompareCase> {};

TEST_P(FirmVersionCompare, Result)
{
    const CompareCase& c = GetParam();
    const TestFirmware firmware;
    bool invalid = false;
    bool refused = !c.refused;  // must be overwritten for the main processor
    const int result = CompareVersion(c.ident.data(), c.target, invalid,
                                      refused, c.unloadable ? firmware.Unloadable() : firmware.Set());
    switch (c.sign) {
    case Sign::Older: EXPECT_LT(result, 0); break;
    case Sign::Equal: EXPECT_EQ(result, 0); break;
    case Sign::Newer: EXPECT_GT(result, 0); break;
    }
    if (c.invalid) {
        EXPECT_EQ(result, -1);
    }
    EXPECT_EQ(invalid, c.invalid);
    if (c.target == TargetCpu) {
        EXPECT_EQ(refused, c.refused);
    } else {
        EXPECT_EQ(refused, !c.refused) << "only the main processor's check sets refused";
    }
}

INSTANTIATE_TEST_SUITE_P(FirmVersion, FirmVersionCompare, ::testing::Values(
    CompareCase{"CpuEqual", Ident("2.10-300", ' ', "03456789"), TargetCpu, false, Sign::Equal, false, false},
    CompareCase{"CpuOlderMinor", Ident("2.09-999", ' ', "03456789"), TargetCpu, false, Sign::Older, false, false},
    CompareCase{"CpuOlderMajor", Ident("1.99-999", 'A', "03456789"), TargetCpu, false, Sign::Older, false, false},
    CompareCase{"CpuNewerBuild", Ident("2.10-301", ' ', "03456789"), TargetCpu, false, Sign::Newer, false, false},
    CompareCase{"CpuNewerLetter", Ident("2.10-30A", ' ', "03456789"), TargetCpu, false, Sign::Newer, false, false},
    CompareCase{"CpuBlankIsOlder", Ident("        ", ' ', "03456789"), TargetCpu, false, Sign::Older, false, false},
    // The placeholder is older without any image being loaded.
    CompareCase{"CpuPlaceholder", Ident("X.XX-XXX", ' ', "03456789"), TargetCpu, true, Sign::Older, false, false},
    CompareCase{"CpuRefusedAllowedText", Ident("1.00-000", 'J', "03456789"), TargetCpu, true, Sign::Equal, false, true},
    CompareCase{"CpuRefusedPlaceholder", Ident("X.XX-XXX", 'J', "03456789"), TargetCpu, false, Sign::Equal, false, true},
    CompareCase{"CpuRefusedBadText", Ident("1/00-000", 'J', "03456789"), TargetCpu, false, Sign::Older, true, true},
    CompareCase{"CpuSlash", Ident("2/10-300", ' ', "03456789"), TargetCpu, false, Sign::Older, true, false},
    CompareCase{"CpuHighByte", Ident("2.10-30\xB0", ' ', "03456789"), TargetCpu, false, Sign::Older, true, false},
    CompareCase{"CpuImageNotLoadable", Ident("2.10-300", ' ', "03456789"), TargetCpu, true, Sign::Older, true, false},
    CompareCase{"DspEqual", Ident("2.10-300", ' ', "03456789"), TargetDsp, false, Sign::Equal, false, false},
    CompareCase{"DspFirstCharNotCompared", Ident("2.10-300", ' ', "Z3456789"), TargetDsp, false, Sign::Equal, false, false},
    CompareCase{"DspOlder", Ident("2.10-300", ' ', "03456780"), TargetDsp, false, Sign::Older, false, false},
    CompareCase{"DspNewer", Ident("2.10-300", ' ', "04000000"), TargetDsp, false, Sign::Newer, false, false},
    CompareCase{"DspNewerMinor", Ident("2.10-300", ' ', "03460000"), TargetDsp, false, Sign::Newer, false, false},
    CompareCase{"DspBlanksArePlaceholder", Ident("2.10-300", ' ', "        "), TargetDsp, true, Sign::Older, false, false},
    CompareCase{"DspOneBlankIsText", Ident("2.10-300", ' ', " 3456789"), TargetDsp, false, Sign::Equal, false, false},
    CompareCase{"DspSlash", Ident("2.10-300", ' ', "0345678/"), TargetDsp, false, Sign::Older, true, false},
    CompareCase{"DspHighByte", Ident("2.10-300", ' ', "\xE9" "3456789"), TargetDsp, false, Sign::Older, true, false},
    CompareCase{"DspIgnoresRefusedMark", Ident("2.10-300", 'J', "03456789"), TargetDsp, false, Sign::Equal, false, false}),
    [](const auto& info) { return info.param.name; });

struct FirstCase {
    std::string name;
    std::vector<uint8_t> ident;
    int target;
    bool invalid;
    bool refused;
};

void PrintTo(const FirstCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmVersionFirstOutdated : public ::testing::TestWithParam<FirstCase> {};

TEST_P(FirmVersionFirstOutdated, Target)
{
    const FirstCase& c = GetParam();
    const TestFirmware firmware;
    bool invalid = true;  // cleared by FirstOutdated
    bool refused = false;
    EXPECT_EQ(FirstOutdated(c.ident.data(), invalid, refused, firmware.Set()), c.target);
    EXPECT_EQ(invalid, c.invalid);
    EXPECT_EQ(refused, c.refused);
}

INSTANTIATE_TEST_SUITE_P(FirmVersion, FirmVersionFirstOutdated, ::testing::Values(
    FirstCase{"BothEqual", Ident("2.10-300", ' ', "03456789"), TargetsDone, false, false},
    FirstCase{"CpuOlder", Ident("2.09-300", ' ', "03456789"), TargetCpu, false, false},
    FirstCase{"CpuNewer", Ident("2.11-300", ' ', "03456780"), TargetCpu, false, false},
    FirstCase{"DspNewer", Ident("2.10-300", ' ', "03456799"), TargetDsp, false, false},
    FirstCase{"DspOlder", Ident("2.10-300", ' ', "02456789"), TargetDsp, false, false},
    FirstCase{"BothPlaceholders", Ident("X.XX-XXX", ' ', "        "), TargetCpu, false, false},
    FirstCase{"CpuNotAllowed", Ident("2.10/300", ' ', "03456789"), TargetCpu, true, false},
    FirstCase{"DspNotAllowed", Ident("2.10-300", ' ', "0345678\x7F"), TargetDsp, true, false},
    FirstCase{"RefusedDspEqual", Ident("1.00-000", 'J', "03456789"), TargetsDone, false, true},
    FirstCase{"RefusedDspOlder", Ident("1.00-000", 'J', "        "), TargetDsp, false, true}),
    [](const auto& info) { return info.param.name; });

TEST(FirmVersion, BuiltInSampleMatchesItsOwnVersions)
{
#ifndef RX_SAMPLE_FIRMWARE
    GTEST_SKIP() << "built with maintainer-supplied images";
#endif
    bool invalid = false;
    bool refused = false;
    const std::vector<uint8_t> same = Ident("1.05-120", ' ', "01020035");
    EXPECT_EQ(FirstOutdated(same.data(), invalid, refused, BuiltInFirmware()), TargetsDone);
    EXPECT_FALSE(invalid);
    const std::vector<uint8_t> older = Ident("1.05-119", ' ', "01020035");
    EXPECT_EQ(FirstOutdated(older.data(), invalid, refused, BuiltInFirmware()), TargetCpu);
    EXPECT_LT(CompareVersion(older.data(), TargetCpu, invalid, refused, BuiltInFirmware()), 0);
    const std::vector<uint8_t> newerDsp = Ident("1.05-120", ' ', "01020036");
    EXPECT_GT(CompareVersion(newerDsp.data(), TargetDsp, invalid, refused, BuiltInFirmware()), 0);
    EXPECT_FALSE(invalid);
}

TEST(FirmVersion, UnknownTargetIsInvalid)
{
    const TestFirmware firmware;
    const std::vector<uint8_t> ident = Ident("2.10-300", ' ', "03456789");
    bool invalid = false;
    bool refused = false;
    EXPECT_EQ(CompareVersion(ident.data(), TargetNone, invalid, refused, firmware.Set()), -1);
    EXPECT_TRUE(invalid);
}

}  // namespace
