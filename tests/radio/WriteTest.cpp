#include "RadioSupport.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr uint8_t FB = 0xFB;
constexpr uint32_t cpuBase = 0xE80000;

struct CpuCase {
    std::string name;
    bool systemAreaMatches;
    bool echo;
    Bytes checkAnswers;  // to the command-8 packets over the system area
    int blocksWritten;
    bool paced = false;
};

void PrintTo(const CpuCase& c, std::ostream* os)
{
    *os << c.name;
}

class CpuWrite : public ::testing::TestWithParam<CpuCase> {};

// The whole write as the sequencer does it: hand-shake, flash-writing
// program, check pass over the system area (written when a block differs),
// the application's non-blank blocks, sum, end; then the new identity.
TEST_P(CpuWrite, Complete)
{
    const CpuCase& c = GetParam();
    const TestFirmware& fw = SmallFirmware();
    RadioOptions options;
    options.systemAreaMatches = c.systemAreaMatches;
    options.echoWriter = c.echo;
    options.paced = c.paced;
    const auto radio = StartRadio(options);
    RadioClient client(radio->DevicePath());

    Bytes boot = CpuBootAnswers(fw.writerPlain.size());
    if (c.echo)
        boot.insert(boot.end() - 1, fw.writerPlain.begin(), fw.writerPlain.end());
    ASSERT_EQ(client.Boot(false, fw.writerPlain, 99, c.echo), boot);

    Bytes checks;
    for (uint32_t address = 0xFFC000; address <= 0xFFFF00; address += 256) {
        client.SendData(fw.CpuBlock(address), address, 0x08);
        const Bytes answer = client.Receive(1);
        checks.insert(checks.end(), answer.begin(), answer.end());
        if (answer != Bytes{FB})
            break;
    }
    EXPECT_EQ(checks, c.checkAnswers);
    if (checks.back() != FB) {
        EXPECT_EQ(WriteBlocks(client, fw.cpuPlain, cpuBase, 0xFFC000, 0xFFFFFF), (Bytes{FB, FB}));
    }
    EXPECT_EQ(WriteBlocks(client, fw.cpuPlain, cpuBase, 0xE80000, 0xFFBFFF), (Bytes{FB, FB, FB}));
    client.SendSum(fw.CpuSum());
    EXPECT_EQ(client.Receive(1), Bytes{FB});
    client.SendEnd();
    EXPECT_EQ(client.Drain(200), Bytes{});

    EXPECT_EQ(AskIdentity(client), Identity("2.10-300", 'E', "D3456788"));
    const RadioReport report = radio->Report();
    EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
    EXPECT_TRUE(report.cpu.intact);
    EXPECT_FALSE(report.dsp.matchesImage);
    EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
    EXPECT_EQ(report.blocksWritten, c.blocksWritten);
    EXPECT_EQ(report.blocksChecked, static_cast<int>(c.checkAnswers.size()));
    const std::map<int, int> packets = {
        {0x00, c.blocksWritten}, {0x01, 1}, {0x08, static_cast<int>(c.checkAnswers.size())}, {0x0F, 1}};
    EXPECT_EQ(report.packetsByCommand, packets);
    EXPECT_EQ(radio->ReadFlash(false, 0xE80480, 8), Text("2.10-300"));
    EXPECT_EQ(radio->ReadFlash(false, 0xE80800, 4), Bytes(4, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(SystemArea, CpuWrite,
                         ::testing::Values(CpuCase{"system_area_differs", false, false, {0x00}, 5},
                                           CpuCase{"system_area_matches", true, false, Bytes(64, FB), 3},
                                           CpuCase{"writer_echoed", false, true, {0x00}, 5},
                                           CpuCase{"paced_line", false, true, {0x00}, 5, true}),
                         [](const auto& info) { return info.param.name; });

// The DSP takes every block; its sum goes out before the last block, is
// answered at once, and the last block earns one more 0xFB once the sum
// of 0x010000-0x03FFFF matches.
TEST(DspWrite, CompleteWithTwoMoreFB)
{
    const TestFirmware& fw = SmallFirmware();
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    const auto radio = StartRadio(options);
    RadioClient client(radio->DevicePath());
    ASSERT_EQ(client.Boot(true, {}, 30), DspBootAnswers());
    EXPECT_EQ(WriteEveryBlock(client, fw.dspPlain, 0, 0x010000, 0x03FEFF), Bytes(767, FB));
    client.SendSum(fw.DspSum());
    EXPECT_EQ(client.Receive(1), Bytes{FB});
    client.SendData(fw.DspBlock(0x03FF00), 0x03FF00, 0x00);
    EXPECT_EQ(client.Receive(2), (Bytes{FB, FB}));
    client.SendEnd();
    EXPECT_EQ(client.Drain(200), Bytes{});

    EXPECT_EQ(AskIdentity(client), Identity("2.10-300", 'E', "D3456789"));
    const RadioReport report = radio->Report();
    EXPECT_TRUE(report.dsp.matchesImage) << FormatReport(report);
    EXPECT_TRUE(report.dsp.intact);
    EXPECT_TRUE(report.cpu.matchesImage);
    EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
    EXPECT_EQ(report.blocksWritten, 768);
}

struct HalfCase {
    std::string name;
    bool dsp;
    Bytes identityAfter;
};

void PrintTo(const HalfCase& c, std::ostream* os)
{
    *os << c.name;
}

class HalfWayWrite : public ::testing::TestWithParam<HalfCase> {};

// Power lost after the first block: the erased firmware reports its
// placeholder, so that the program will offer to write it again.
TEST_P(HalfWayWrite, ShowsThePlaceholderAfterPowerCycle)
{
    const HalfCase& c = GetParam();
    const TestFirmware& fw = SmallFirmware();
    const auto radio = StartRadio(RadioOptions{});
    RadioClient client(radio->DevicePath());
    const Bytes boot = c.dsp ? client.Boot(true, {}, 30) : client.Boot(false, fw.writerPlain, 99);
    ASSERT_EQ(boot, c.dsp ? DspBootAnswers() : CpuBootAnswers(fw.writerPlain.size()));
    if (c.dsp)
        client.SendData(fw.DspBlock(0x010000), 0x010000, 0x00);
    else
        client.SendData(fw.CpuBlock(0xE80000), 0xE80000, 0x00);
    EXPECT_EQ(client.Receive(1), Bytes{FB});

    radio->PowerCycle();
    EXPECT_EQ(AskIdentity(client), c.identityAfter);
    const RadioReport report = radio->Report();
    EXPECT_FALSE((c.dsp ? report.dsp : report.cpu).intact);
    EXPECT_TRUE((c.dsp ? report.cpu : report.dsp).intact);
    // Still in update mode: a new session starts.
    client.Send(Command(c.dsp ? 0x81 : 0x80));
    EXPECT_EQ(client.Receive(1), Bytes{0xAA});
}

INSTANTIATE_TEST_SUITE_P(Target, HalfWayWrite,
                         ::testing::Values(HalfCase{"main_processor", false, Identity("X.XX-XXX", 'E', "D3456788")},
                                           HalfCase{"dsp", true, Identity("2.10-200", 'E', "        ")}),
                         [](const auto& info) { return info.param.name; });

// Command 8 compares without writing: 0xFB when equal, another byte when not.
TEST(CheckCommand, AnswersBothWays)
{
    const TestFirmware& fw = SmallFirmware();
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    const auto radio = StartRadio(options);
    RadioClient client(radio->DevicePath());
    ASSERT_EQ(client.Boot(false, fw.writerPlain, 99), CpuBootAnswers(fw.writerPlain.size()));

    Bytes altered = fw.CpuBlock(0xFFC000);
    altered[255] ^= 0x01;
    const struct {
        Bytes block;
        uint32_t address;
        uint8_t answer;
    } rows[] = {{fw.CpuBlock(0xFFC000), 0xFFC000, FB},
                {altered, 0xFFC000, 0x00},
                {fw.CpuBlock(0xE80400), 0xE80400, FB},
                {Bytes(256, 0xFF), 0xE80800, FB},
                {Bytes(256, 0x00), 0xE80800, 0x00}};
    for (const auto& row : rows) {
        client.SendData(row.block, row.address, 0x08);
        EXPECT_EQ(client.Receive(1), Bytes{row.answer}) << std::hex << row.address;
    }
    const RadioReport report = radio->Report();
    EXPECT_EQ(report.blocksChecked, 5);
    EXPECT_EQ(report.blocksWritten, 0);
    EXPECT_TRUE(report.cpu.matchesImage);
    EXPECT_TRUE(report.cpu.intact);
}

}  // namespace
