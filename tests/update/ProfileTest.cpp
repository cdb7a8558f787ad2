// The processor profiles: each row holds together, and the rows carry the
// values an update of each processor is described with.
#include "ProcessorProfile.h"
#include "VersionCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

const char* NameOf(const ProcessorProfile& p)
{
    return p.target == TargetCpu ? "cpu" : "dsp";
}

class Profile : public testing::TestWithParam<const ProcessorProfile*> {};

std::string RowName(const testing::TestParamInfo<const ProcessorProfile*>& info)
{
    return NameOf(*info.param);
}

TEST_P(Profile, IsFoundByItsTarget)
{
    EXPECT_EQ(ProfileFor(GetParam()->target), GetParam());
}

TEST_P(Profile, BlocksTileItsAreas)
{
    const ProcessorProfile& p = *GetParam();
    ASSERT_GT(p.blockSize, 0);
    struct Area {
        const char* name;
        int32_t first;
        int32_t last;
    };
    std::vector<Area> areas = {{"app", p.appFirst, p.appLast}, {"sum", p.sumFirst, p.sumLast},
                               {"app data", p.appFirst, AppDataLast(p)}};
    if (p.hasSystemArea) {
        areas.push_back({"system", p.sysFirst, p.sysLast});
    }
    for (const Area& a : areas) {
        EXPECT_LT(a.first, a.last) << a.name;
        EXPECT_EQ(a.first % p.blockSize, 0) << a.name;
        EXPECT_EQ((a.last - a.first + 1) % p.blockSize, 0) << a.name;
        EXPECT_LT(static_cast<uint32_t>(a.last), p.storeCapacity) << a.name << " lies beyond the store";
    }
}

TEST_P(Profile, SystemAreaClosesTheApplicationArea)
{
    const ProcessorProfile& p = *GetParam();
    if (!p.hasSystemArea) {
        EXPECT_EQ(AppDataLast(p), p.appLast);
        return;
    }
    EXPECT_EQ(p.sysLast, p.appLast);
    EXPECT_GT(p.sysFirst, p.appFirst);
    EXPECT_EQ(AppDataLast(p), p.sysFirst - 1);
}

TEST_P(Profile, ProgressCountsWhatIsSent)
{
    const ProcessorProfile& p = *GetParam();
    if (p.skipsBlankBlocks) {
        EXPECT_EQ(p.progressBlocks, 0) << "blank blocks are skipped: the count depends on the image";
    } else {
        EXPECT_EQ(p.progressBlocks, (AppDataLast(p) - p.appFirst + 1) / p.blockSize) << "every block is sent";
    }
}

TEST_P(Profile, WaitsAreSet)
{
    const ProcessorProfile& p = *GetParam();
    EXPECT_GT(p.blockTimeout, 0);
    EXPECT_GT(p.endWait, 0);
    EXPECT_GT(p.writeTimeSeconds, 0);
    EXPECT_EQ(writeTimeTable[p.target], p.writeTimeSeconds);
    if (p.sumBeforeLastBlock) {
        // The sum's answer comes once the last block is in flash as well.
        EXPECT_GT(p.sumWait, p.blockTimeout);
    }
}

TEST_P(Profile, BootBytesAreCommandsAndMarker)
{
    const ProcessorProfile& p = *GetParam();
    EXPECT_EQ(std::strlen(p.marker), 9u);
    EXPECT_EQ(p.bootRequest[0], 0x33);
    EXPECT_EQ(p.bootRequest[1], 0x90);
    EXPECT_EQ(p.bootRequest[2], 0x82);
    EXPECT_NE(p.bootRequest[3], 0x82) << "the identity request";
    EXPECT_NE(p.bootRequest[3], 0x83) << "the exit command";
}

TEST_P(Profile, ModelCodeHasASource)
{
    const ProcessorProfile& p = *GetParam();
    if (p.variantAddress < 0) {
        EXPECT_NE(p.fixedModel, modelRefused);
        return;
    }
    EXPECT_LE(static_cast<uint32_t>(p.variantAddress + variantTextLength), p.storeCapacity);
    for (const ModelVariant& v : p.variants) {
        ASSERT_NE(v.text, nullptr);
        EXPECT_EQ(std::strlen(v.text), static_cast<size_t>(variantTextLength - 1));
        EXPECT_NE(v.code, modelRefused) << v.text;
    }
    EXPECT_NE(p.variants[0].code, p.variants[1].code);
}

TEST_P(Profile, VersionFieldsFit)
{
    const ProcessorProfile& p = *GetParam();
    EXPECT_GE(p.identText, 0);
    EXPECT_LE(p.identText + versionTextLength, identLength);
    EXPECT_FALSE(identVariantMark >= p.identText && identVariantMark < p.identText + versionTextLength)
        << "the radio's text covers the variant mark";
    EXPECT_EQ(std::strlen(p.placeholder), static_cast<size_t>(versionTextLength));
    EXPECT_TRUE(IsVersionText(reinterpret_cast<const uint8_t*>(p.placeholder)));
    EXPECT_LE(p.versionLength, versionFieldMax);
    EXPECT_LE(p.versionCompared, p.versionLength);
    EXPECT_EQ(p.versionCompared, p.versionForm == VersionForm::Plain ? versionTextLength : 18);
    if (p.sentVersionAddress < 0) {
        ASSERT_NE(p.sentVersionText, nullptr);
        EXPECT_EQ(std::strlen(p.sentVersionText), static_cast<size_t>(versionTextLength));
        EXPECT_TRUE(IsVersionText(reinterpret_cast<const uint8_t*>(p.sentVersionText)));
    } else {
        EXPECT_LE(static_cast<uint32_t>(p.sentVersionAddress + versionTextLength), p.storeCapacity);
    }
}

TEST_P(Profile, BuiltInRecordFitsItsStoreAndHoldsTheVersionField)
{
    const ProcessorProfile& p = *GetParam();
    const ImageRecord& record = FirmwareRecord(BuiltInFirmware(), p);
    ASSERT_GT(RecordLength(record), 0u);
    EXPECT_LT(record.last, p.storeCapacity);
    EXPECT_GE(static_cast<uint32_t>(p.versionAddress), record.first);
    EXPECT_LE(static_cast<uint32_t>(p.versionAddress + p.versionLength - 1), record.last);
    EXPECT_NE(LoadImage(record, p.storeCapacity), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, Profile, testing::ValuesIn(processorProfiles), RowName);

TEST(ProfileTable, OtherCodesHaveNoRow)
{
    for (const int target : {TargetNone, TargetsDone, TargetRefused, -1, 5}) {
        EXPECT_EQ(ProfileFor(target), nullptr) << target;
    }
}

TEST(ProfileTable, RowsDifferWhereTheRadioTellsThemApart)
{
    EXPECT_NE(cpuProfile.target, dspProfile.target);
    EXPECT_NE(cpuProfile.bootRequest[3], dspProfile.bootRequest[3]);
    EXPECT_STRNE(cpuProfile.marker, dspProfile.marker);
    EXPECT_NE(cpuProfile.identText, dspProfile.identText);
    EXPECT_EQ(processorProfiles[0], &cpuProfile) << "the main processor is written first";
}

// The values the two processors' updates are described with.
struct Documented {
    const ProcessorProfile* row;
    uint8_t bootCommand;
    const char* marker;
    uint32_t storeCapacity;
    bool flashWriter;
    bool systemArea;
    bool skipsBlank;
    bool sumBeforeLast;
    int sumWait;
    int32_t writeTime;
};

void PrintTo(const Documented& d, std::ostream* os) { *os << NameOf(*d.row); }

class ProfileValues : public testing::TestWithParam<Documented> {};

TEST_P(ProfileValues, AreTheDescribedOnes)
{
    const Documented& d = GetParam();
    const ProcessorProfile& p = *d.row;
    EXPECT_EQ(p.bootRequest[3], d.bootCommand);
    EXPECT_STREQ(p.marker, d.marker);
    EXPECT_EQ(p.storeCapacity, d.storeCapacity);
    EXPECT_EQ(p.needsFlashWriter, d.flashWriter);
    EXPECT_EQ(p.hasSystemArea, d.systemArea);
    EXPECT_EQ(p.skipsBlankBlocks, d.skipsBlank);
    EXPECT_EQ(p.sumBeforeLastBlock, d.sumBeforeLast);
    EXPECT_EQ(p.sumWait, d.sumWait);
    EXPECT_EQ(p.writeTimeSeconds, d.writeTime);
    EXPECT_EQ(p.blockSize, 256);
    EXPECT_EQ(p.blockTimeout, 8000);
    EXPECT_EQ(p.endWait, 2000);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileValues,
    testing::Values(Documented{&cpuProfile, 0x80, "VEXA5127M", 16777216, true, true, true, false, 0, 350},
                    Documented{&dspProfile, 0x81, "VEXA5127D", 262144, false, false, false, true, 15000, 90}),
    [](const testing::TestParamInfo<Documented>& info) { return std::string(NameOf(*info.param.row)); });

TEST(ProfileValues, ModelCodesAndVersionsSent)
{
    EXPECT_EQ(cpuProfile.variantAddress, 0xFFC000);
    EXPECT_STREQ(cpuProfile.variants[0].text, "P-SCAN ON");
    EXPECT_EQ(cpuProfile.variants[0].code, 99);
    EXPECT_STREQ(cpuProfile.variants[1].text, "DUP- DTCS");
    EXPECT_EQ(cpuProfile.variants[1].code, 60);
    EXPECT_EQ(modelRefused, 10);
    EXPECT_LT(dspProfile.variantAddress, 0);
    EXPECT_EQ(dspProfile.fixedModel, 30);
    EXPECT_EQ(cpuProfile.sentVersionAddress, 0xE80480);
    EXPECT_STREQ(dspProfile.sentVersionText, "0.00-000");
    EXPECT_EQ(cpuProfile.versionAddress, 0xE80480);
    EXPECT_EQ(dspProfile.versionAddress, 0x01000E);
    EXPECT_EQ(dspProfile.versionLength, 20);
    EXPECT_EQ(dspProfile.progressBlocks, 768);
    EXPECT_EQ(cpuProfile.progressHeadStart, 2);
}

} // namespace
