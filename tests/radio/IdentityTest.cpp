#include "RadioSupport.h"

#include "FirmImages.h"
#include "Targets.h"
#include "VersionCheck.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct IdentityCase {
    std::string name;
    CpuFirmware cpu;
    DspFirmware dsp;
    uint8_t mark;
    Bytes expected;
};

void PrintTo(const IdentityCase& c, std::ostream* os)
{
    *os << c.name;
}

class IdentityAnswer : public ::testing::TestWithParam<IdentityCase> {};

// The test firmware holds "2.10-300" and the DSP field "3.45-6789", which a
// radio reports as c0 '3' '4' '5' '6' '7' '8' '9' with c0 = 'D'.
TEST_P(IdentityAnswer, AnswersFromItsFlash)
{
    const IdentityCase& c = GetParam();
    RadioOptions options;
    options.cpu = c.cpu;
    options.dsp = c.dsp;
    options.variantMark = c.mark;
    const auto radio = StartRadio(options);
    RadioClient client(radio->DevicePath());
    ASSERT_TRUE(client.IsOpen());
    EXPECT_EQ(AskIdentity(client), c.expected);
    // A repeated request is answered again, from the same flash.
    EXPECT_EQ(AskIdentity(client), c.expected);
    const RadioReport report = radio->Report();
    EXPECT_EQ(report.identitiesAnswered, 2);
    EXPECT_EQ(report.bytesReceived, 8u);
    EXPECT_EQ(report.bytesSent, 34u);
    EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, IdentityAnswer,
    ::testing::Values(
        IdentityCase{"same", CpuFirmware::Same, DspFirmware::Same, 'E', Identity("2.10-300", 'E', "D3456789")},
        IdentityCase{"older", CpuFirmware::Older, DspFirmware::Older, 'E',
                     Identity("2.10-200", 'E', "D3456788")},
        IdentityCase{"newer", CpuFirmware::Newer, DspFirmware::Newer, 'E',
                     Identity("2.10-301", 'E', "D3456799")},
        IdentityCase{"blank", CpuFirmware::Blank, DspFirmware::Blank, 'E',
                     Identity("X.XX-XXX", 'E', "        ")},
        IdentityCase{"bad_text", CpuFirmware::BadText, DspFirmware::BadText, 'E',
                     Identity("/.10-300", 'E', "D/456789")},
        IdentityCase{"refused", CpuFirmware::Older, DspFirmware::Older, 'J',
                     Identity("2.10-200", 'J', "D3456788")},
        IdentityCase{"blank_cpu_newer_dsp", CpuFirmware::Blank, DspFirmware::Newer, 'E',
                     Identity("X.XX-XXX", 'E', "D3456799")}),
    [](const auto& info) { return info.param.name; });

// With the images built into the program, whatever their version texts,
// the program's own comparison must see the radio as chosen.
TEST(BuiltInIdentity, ComparesAsChosen)
{
    struct Row {
        CpuFirmware cpu;
        DspFirmware dsp;
        int sign;
    };
    for (const Row row : {Row{CpuFirmware::Older, DspFirmware::Older, -1}, Row{CpuFirmware::Same, DspFirmware::Same, 0},
                          Row{CpuFirmware::Newer, DspFirmware::Newer, 1}}) {
        RadioOptions options;
        options.cpu = row.cpu;
        options.dsp = row.dsp;
        options.images = &BuiltInFirmware();
        const auto radio = StartRadio(options);
        RadioClient client(radio->DevicePath());
        const Bytes ident = AskIdentity(client);
        ASSERT_EQ(ident.size(), 17u);
        for (const int target : {TargetCpu, TargetDsp}) {
            bool invalid = false;
            bool refused = false;
            const int result = CompareVersion(ident.data(), target, invalid, refused, BuiltInFirmware());
            EXPECT_FALSE(invalid);
            EXPECT_FALSE(refused);
            EXPECT_EQ((result > 0) - (result < 0), row.sign) << "target " << target;
        }
        EXPECT_EQ(radio->Report().cpu.matchesImage, row.sign == 0);
        EXPECT_EQ(radio->Report().dsp.matchesImage, row.sign == 0);
    }
}

}  // namespace
