#include "RadioSupport.h"

#include "ScrambleKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <termios.h>

namespace {

constexpr uint8_t FB = 0xFB;

enum class Stage { Idle, CpuPackets, DspPackets };

struct RefusalCase {
    std::string name;
    Stage stage;  // how far the client gets before the faulty step
    std::function<void(RadioClient&)> faulty;
    Bytes answer;       // worked out by hand: never what the step awaits
    std::string error;  // a piece of the protocol error recorded
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

const Bytes& Block()
{
    static const Bytes block = SmallFirmware().CpuBlock(0xE80000);
    return block;
}

// The hand-shake up to the model code, then `model` and what follows it.
void UpToModel(RadioClient& client, bool dsp)
{
    client.Send(Command(dsp ? 0x81 : 0x80));
    client.Send(Text(dsp ? "VEXA5127D" : "VEXA5127M"));
    client.Send({0x00, RadioClient::keyByte});
    client.Receive(4);
}

void CpuUpToSize(RadioClient& client)
{
    UpToModel(client, false);
    client.codec.SetSeed(99 ^ RadioClient::keyByte, counterSeed);
    client.Send({99});
    client.Send(Text("2.10-300"));
    client.Receive(2);
}

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, AnswersAnotherByteAndRecordsIt)
{
    const RefusalCase& c = GetParam();
    const TestFirmware& fw = SmallFirmware();
    const auto radio = StartRadio(RadioOptions{});
    RadioClient client(radio->DevicePath());
    if (c.stage == Stage::CpuPackets) {
        ASSERT_EQ(client.Boot(false, fw.writerPlain, 99), CpuBootAnswers(fw.writerPlain.size()));
    }
    if (c.stage == Stage::DspPackets) {
        ASSERT_EQ(client.Boot(true, {}, 30), DspBootAnswers());
    }

    c.faulty(client);
    EXPECT_EQ(client.Drain(300), c.answer);
    const RadioReport report = radio->Report();
    ASSERT_EQ(report.protocolErrors.size(), 1u) << FormatReport(report);
    EXPECT_NE(report.protocolErrors[0].find(c.error), std::string::npos) << report.protocolErrors[0];

    // The boot loader has started over: it answers the identity again.
    client.SetSpeed(B38400);
    EXPECT_EQ(AskIdentity(client).size(), 17u);
}

Bytes Frame(std::initializer_list<uint8_t> middle)
{
    Bytes frame(middle.size() + 3, 0xFE);
    std::copy(middle.begin(), middle.end(), frame.begin() + 2);
    frame.back() = 0xFD;
    return frame;
}

const RefusalCase refusalCases[] = {
    {"frame_out_of_step", Stage::CpuPackets,
     [](RadioClient& c) {
         c.codec.MakeEnd();  // built, never sent: the states part
         c.SendData(Block(), 0xE80000, 0x00);
     },
     {0x00}, "does not start FE FE"},
    {"bad_escape", Stage::CpuPackets, [](RadioClient& c) { c.SendFrame(Frame({0x00, 0xE8, 0x00, 0x00, 0xFF, 0x03})); },
     {0x00}, "bad escape FF 03"},
    {"unescaped_byte", Stage::CpuPackets, [](RadioClient& c) { c.SendFrame(Frame({0x00, 0xE8, 0x00, 0x00, 0xFC})); },
     {0x00}, "unescaped byte 0xFC"},
    {"unknown_command", Stage::CpuPackets, [](RadioClient& c) { c.SendFrame(Frame({0x05, 0x01})); }, {0x00},
     "unknown packet command 0x05"},
    {"short_block", Stage::CpuPackets, [](RadioClient& c) { c.SendData(Bytes(16, 0x11), 0xE80000, 0x00); }, {0x00},
     "data packet of 16 bytes"},
    {"address_outside_flash", Stage::CpuPackets, [](RadioClient& c) { c.SendData(Block(), 0x000100, 0x00); },
     {0x00}, "block address 0x000100"},
    {"address_off_block", Stage::CpuPackets, [](RadioClient& c) { c.SendData(Block(), 0xE80010, 0x00); }, {0x00},
     "block address 0xE80010"},
    {"address_below_dsp_area", Stage::DspPackets, [](RadioClient& c) { c.SendData(Block(), 0x00FF00, 0x00); },
     {0x00}, "block address 0x00FF00"},
    {"wrong_sum", Stage::CpuPackets,
     [](RadioClient& c) {
         c.SendData(Block(), 0xE80000, 0x00);
         c.SendSum(static_cast<uint16_t>(SmallFirmware().CpuSum() + 1));
     },
     {FB, 0x00}, "differs from the main processor's flash"},
    {"wrong_dsp_sum", Stage::DspPackets,
     [](RadioClient& c) {
         WriteEveryBlock(c, SmallFirmware().dspPlain, 0, 0x010000, 0x03FEFF);
         c.SendSum(static_cast<uint16_t>(SmallFirmware().DspSum() + 1));
         c.SendData(SmallFirmware().DspBlock(0x03FF00), 0x03FF00, 0x00);
     },
     {FB, FB, 0x00}, "differs from the DSP's flash"},
    {"dsp_sum_first", Stage::DspPackets,
     [](RadioClient& c) { c.SendSum(SmallFirmware().DspSum()); },
     {0x00}, "sum packet after 0 blocks; the DSP takes it between block 767 and block 768"},
    {"dsp_sum_after_the_last_block", Stage::DspPackets,
     [](RadioClient& c) {
         WriteEveryBlock(c, SmallFirmware().dspPlain, 0, 0x010000, 0x03FFFF);
         c.SendSum(SmallFirmware().DspSum());
     },
     {0x00}, "sum packet after 768 blocks"},
    {"dsp_sum_one_block_early", Stage::DspPackets,
     [](RadioClient& c) {
         WriteEveryBlock(c, SmallFirmware().dspPlain, 0, 0x010000, 0x03FDFF);
         c.SendSum(SmallFirmware().DspSum());
     },
     {0x00}, "sum packet after 766 blocks"},
    {"end_without_01", Stage::CpuPackets, [](RadioClient& c) { c.SendFrame(Frame({0x0F, 0x02})); }, {0x00},
     "end packet"},
    {"model_code", Stage::Idle,
     [](RadioClient& c) {
         UpToModel(c, false);
         c.Send({30});
     },
     {0x00}, "model code 30"},
    {"version_text", Stage::Idle,
     [](RadioClient& c) {
         UpToModel(c, true);
         c.Send({30});
         c.Receive(1);
         c.Send(Text("1.0/-000"));
     },
     {0x00}, "version text"},
    {"dsp_version_text_not_the_fixed_one", Stage::Idle,
     [](RadioClient& c) {
         UpToModel(c, true);
         c.Send({30});
         c.Receive(1);
         c.Send(Text("1.00-000"));
     },
     {0x00}, "not \"0.00-000\""},
    // 836 = 0x0344: 0x0343 is announced, so the second echo is 0x43 ^ 0xFF.
    {"writer_size", Stage::Idle,
     [](RadioClient& c) {
         CpuUpToSize(c);
         c.Send({0x03, 0x43});
     },
     {0x03, 0xBC}, "of 835 bytes announced"},
    // The test writer's first byte is 0xC3 (7 * 101 = 0x2C3), so the
    // refusal is 0xC3 ^ 0xFF.
    {"writer_byte", Stage::Idle,
     [](RadioClient& c) {
         CpuUpToSize(c);
         c.Send({0x03, 0x44});
         Bytes wrong = {static_cast<uint8_t>(SmallFirmware().writerPlain[0] ^ 0x01)};
         c.codec.Scramble(wrong.data(), 1);
         c.Send(wrong);
     },
     {0x03, 0x44, 0x3C}, "flash-writing program byte 0"},
    {"other_processors_marker", Stage::Idle,
     [](RadioClient& c) {
         c.Send(Command(0x80));
         c.Send(Text("VEXA5127D"));
     },
     {0xAA, 0x00}, "boot marker VEXA5127D"},
    {"line_at_9600", Stage::Idle,
     [](RadioClient& c) {
         c.SetSpeed(B9600);
         c.Send(Command(0x82));
     },
     {}, "9600 bit/s"},
    {"unknown_four_byte_command", Stage::Idle, [](RadioClient& c) { c.Send(Command(0x84)); }, {},
     "unknown command 33 90 82 84"},
};

INSTANTIATE_TEST_SUITE_P(Malformed, Refusal, ::testing::ValuesIn(refusalCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
