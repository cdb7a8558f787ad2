#include "RadioSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <unistd.h>

namespace {

constexpr uint8_t FB = 0xFB;
const Bytes noise = {0x13, 0x37, 0xC4, 0x7E, 0x91};

struct FaultCase {
    std::string name;
    std::vector<Fault> faults;
    // Drives the radio and checks, from the client's side, what the fault did.
    std::function<void(EmulatedRadio&, RadioClient&)> check;
    std::vector<std::string> injected;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, SeenFromTheProgramsSide)
{
    const FaultCase& c = GetParam();
    RadioOptions options;
    options.faults = c.faults;
    const auto radio = StartRadio(options);
    {
        RadioClient client(radio->DevicePath());
        c.check(*radio, client);
    }
    EXPECT_EQ(radio->Report().faultsInjected, c.injected) << FormatReport(radio->Report());
}

const Bytes older = Identity("2.10-200", 'E', "D3456788");

const FaultCase faultCases[] = {
    {"silent_at_ident",
     {{"ident", FaultKind::Silent}},
     [](EmulatedRadio& radio, RadioClient& client) {
         EXPECT_EQ(AskIdentity(client), Bytes{});
         client.Send(Command(0x82));
         EXPECT_EQ(client.Drain(200), Bytes{});  // silent from there on
         radio.PowerCycle();
         EXPECT_EQ(AskIdentity(client), older);
     },
     {"silent at ident"}},
    {"wrong_byte_at_boot",
     {{"boot", FaultKind::WrongByte}},
     [](EmulatedRadio&, RadioClient& client) {
         client.Send(Command(0x80));
         EXPECT_EQ(client.Drain(200), Bytes{0x55});  // 0xAA inverted
     },
     {"wrong byte at boot (main processor)"}},
    {"noise_at_key",
     {{"key", FaultKind::Noise}},
     [](EmulatedRadio&, RadioClient& client) {
         client.Send(Command(0x80));
         client.Send(Text("VEXA5127M"));
         client.Send({0x00, RadioClient::keyByte});
         Bytes expected = {0xAA, 0x55, 0x00};
         expected.insert(expected.end(), noise.begin(), noise.end());
         expected.push_back(static_cast<uint8_t>(RadioClient::keyByte ^ 0xFF));
         EXPECT_EQ(client.Drain(200), expected);
     },
     {"noise at key (main processor)"}},
    {"late_at_marker",
     {{"marker", FaultKind::Late, 400}},
     [](EmulatedRadio&, RadioClient& client) {
         client.Send(Command(0x80));
         EXPECT_EQ(client.Receive(1), Bytes{0xAA});
         client.Send(Text("VEXA5127M"));
         EXPECT_EQ(client.Receive(1, 100), Bytes{});
         EXPECT_EQ(client.Receive(1, 3000), Bytes{0x55});
     },
     {"late 400 ms at marker (main processor)"}},
    {"hang_up_at_block_2",
     {{"block 2", FaultKind::HangUp}},
     [](EmulatedRadio& radio, RadioClient& client) {
         const TestFirmware& fw = SmallFirmware();
         ASSERT_EQ(client.Boot(false, fw.writerPlain, 99), CpuBootAnswers(fw.writerPlain.size()));
         client.SendData(fw.CpuBlock(0xE80000), 0xE80000, 0x00);
         EXPECT_EQ(client.Receive(1), Bytes{FB});
         client.SendData(fw.CpuBlock(0xE80400), 0xE80400, 0x00);
         EXPECT_TRUE(client.HungUp(2000));
         EXPECT_TRUE(radio.Report().hungUp);
         // Switched on again, on a new line; the erased firmware shows its placeholder.
         radio.PowerCycle();
         RadioClient again(radio.DevicePath());
         EXPECT_EQ(AskIdentity(again), Identity("X.XX-XXX", 'E', "D3456788"));
         EXPECT_FALSE(radio.Report().hungUp);
     },
     {"hang-up at block 2 (main processor)"}},
    {"wrong_byte_while_writer_is_not_echoed",
     {{"writer", FaultKind::WrongByte}},
     [](EmulatedRadio&, RadioClient& client) {
         const TestFirmware& fw = SmallFirmware();
         // The stray byte comes where the 0xAA was awaited: the first
         // program byte 0xC3 inverted. The 0xAA follows.
         Bytes expected = CpuBootAnswers(fw.writerPlain.size());
         expected.back() = 0x3C;
         EXPECT_EQ(client.Boot(false, fw.writerPlain, 99), expected);
         EXPECT_EQ(client.Drain(200), Bytes{0xAA});
     },
     {"wrong byte at writer (main processor)"}},
    {"only_the_dsp_session",
     {{"dsp.model", FaultKind::Silent}},
     [](EmulatedRadio&, RadioClient& client) {
         const TestFirmware& fw = SmallFirmware();
         EXPECT_EQ(client.Boot(false, fw.writerPlain, 99), CpuBootAnswers(fw.writerPlain.size()));
         client.SendEnd();            // the boot loader restarts
         client.Send(Command(0x81));  // a new session, for the DSP
         client.Send(Text("VEXA5127D"));
         client.Send({0x00, RadioClient::keyByte, 30});
         EXPECT_EQ(client.Drain(200), (Bytes{0xAA, 0x55, 0x00, static_cast<uint8_t>(RadioClient::keyByte ^ 0xFF)}));
     },
     {"silent at dsp.model (DSP)"}},
    {"every_time",
     {{"ident", FaultKind::Noise, 0, true}},
     [](EmulatedRadio&, RadioClient& client) {
         Bytes expected = noise;
         expected.insert(expected.end(), older.begin(), older.end());
         for (int i = 0; i < 2; ++i) {
             client.Send(Command(0x82));
             EXPECT_EQ(client.Receive(22), expected);
         }
     },
     {"noise at ident", "noise at ident"}},
};

INSTANTIATE_TEST_SUITE_P(Point, Faults, ::testing::ValuesIn(faultCases),
                         [](const auto& info) { return info.param.name; });

TEST(FaultPoints, UnknownPointStopsTheStart)
{
    RadioOptions options;
    options.faults = {{"nowhere", FaultKind::Silent}};
    options.images = &SmallFirmware().set;
    EmulatedRadio radio(options);
    EXPECT_FALSE(radio.Start());
    EXPECT_NE(radio.Error().find("nowhere"), std::string::npos);
}

}  // namespace
