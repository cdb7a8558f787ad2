// The radio at the end of the in-memory cable, driven through the serial
// driver the program's port gets, on a clock that moves only when told.
#include "ManualClock.h"
#include "MemoryRadio.h"
#include "RadioSupport.h"

#include <gtest/gtest.h>

namespace {

const Bytes older = Identity("2.10-200", 'E', "D3456788");

LineSettings Line(uint32_t bitRate)
{
    LineSettings line;
    line.bitRate = bitRate;
    return line;
}

class MemoryCableTest : public ::testing::Test {
protected:
    void Connect(RadioOptions options)
    {
        if (options.images == nullptr) {
            options.images = &SmallFirmware().set;
        }
        radio = std::make_unique<MemoryRadio>(options, clock);
        std::string error;
        ASSERT_TRUE(radio->SetUp(error)) << error;
        cable = radio->Cable();
        ASSERT_EQ(cable->Open("memory"), 0);
        ASSERT_TRUE(cable->Configure(Line(38400)));
    }

    void Send(const Bytes& bytes)
    {
        ASSERT_EQ(cable->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), 1000), bytes.size());
    }

    Bytes ReadAll()
    {
        Bytes got(cable->InQueue());
        got.resize(cable->Read(got.data(), static_cast<uint32_t>(got.size())));
        return got;
    }

    ManualClock clock{1000};
    std::unique_ptr<MemoryRadio> radio;
    std::unique_ptr<SerialDriver> cable;
};

TEST_F(MemoryCableTest, UnpacedAnswersAtTheSameReading)
{
    Connect({});
    Send(Command(0x82));
    EXPECT_EQ(cable->OutQueue(), 0u);
    EXPECT_EQ(ReadAll(), older);
    EXPECT_EQ(radio->NextMove(), std::nullopt);
    const RadioReport report = radio->Report();
    EXPECT_EQ(report.identitiesAnswered, 1);
    EXPECT_EQ(report.bytesReceived, 4u);
    EXPECT_EQ(report.bytesSent, 17u);
}

// 38,400 bit/s, ten bits a byte: 260.4 us a byte. The request takes 1.04 ms
// to reach the radio, its 17-byte answer 4.43 ms more: the last byte is
// there 5.47 ms after the write, so at the sixth reading, not the fifth.
TEST_F(MemoryCableTest, PacedBytesTakeTheirTimeBothWays)
{
    RadioOptions options;
    options.paced = true;
    Connect(options);
    Send(Command(0x82));
    EXPECT_EQ(cable->OutQueue(), 4u);
    EXPECT_EQ(cable->InQueue(), 0u);
    EXPECT_EQ(radio->NextMove(), 1001u);  // the first byte's stop bit
    clock.Advance(1);
    EXPECT_EQ(cable->OutQueue(), 1u);  // three of four taken by 1.0 ms
    clock.Advance(1);
    EXPECT_EQ(cable->OutQueue(), 0u);
    EXPECT_EQ(cable->InQueue(), 3u);  // answer bytes done at 1.30, 1.56, 1.82 ms
    clock.Advance(3);
    EXPECT_EQ(cable->InQueue(), 15u);  // 3.96 ms of answer: fifteen bytes
    EXPECT_EQ(radio->NextMove(), 1006u);
    clock.Advance(1);
    EXPECT_EQ(ReadAll(), older);
    EXPECT_EQ(radio->NextMove(), std::nullopt);
}

TEST_F(MemoryCableTest, LateAnswerMovesAtItsTime)
{
    RadioOptions options;
    options.faults = {{"ident", FaultKind::Late, 400}};
    Connect(options);
    Send(Command(0x82));
    EXPECT_EQ(cable->InQueue(), 0u);
    EXPECT_EQ(radio->NextMove(), 1400u);
    clock.Advance(399);
    EXPECT_EQ(cable->InQueue(), 0u);
    clock.Advance(1);
    EXPECT_EQ(ReadAll(), older);
}

// Waiting for input on the cable costs no time: it only tells whether the
// answer is there at the clock's present reading.
TEST_F(MemoryCableTest, WaitForInputTellsWithoutMovingTheClock)
{
    RadioOptions options;
    options.faults = {{"ident", FaultKind::Late, 400}};
    Connect(options);
    Send(Command(0x82));
    EXPECT_FALSE(cable->WaitForInput(1000));
    EXPECT_EQ(clock.Now(), 1000u);
    clock.Advance(400);
    EXPECT_TRUE(cable->WaitForInput(1000));
    EXPECT_EQ(clock.Now(), 1400u);
    EXPECT_EQ(ReadAll(), older);
}

TEST_F(MemoryCableTest, BytesAtAnotherSpeedAreGarbageToTheRadio)
{
    Connect({});
    ASSERT_TRUE(cable->Configure(Line(9600)));
    Send(Command(0x82));
    EXPECT_EQ(ReadAll(), Bytes{});
    EXPECT_EQ(radio->Report().protocolErrors.size(), 1u);
    ASSERT_TRUE(cable->Configure(Line(38400)));
    Send(Command(0x82));
    EXPECT_EQ(ReadAll(), older);
}

TEST_F(MemoryCableTest, PurgeDropsWhatArrived)
{
    Connect({});
    Send(Command(0x82));
    ASSERT_EQ(cable->InQueue(), 17u);
    EXPECT_TRUE(cable->Purge());
    EXPECT_EQ(cable->InQueue(), 0u);
}

TEST_F(MemoryCableTest, SecondOpenIsRefusedUntilClosed)
{
    Connect({});
    EXPECT_NE(cable->Open("memory"), 0);
    cable->Close();
    EXPECT_EQ(cable->Open("memory"), 0);
}

TEST_F(MemoryCableTest, HangUpFailsTheLineUntilPowerCycle)
{
    RadioOptions options;
    options.faults = {{"ident", FaultKind::HangUp}};
    Connect(options);
    Send(Command(0x82));
    EXPECT_EQ(cable->InQueue(), 0u);
    const uint8_t byte = 0x00;
    EXPECT_EQ(cable->Write(&byte, 1, 1000), 0u);
    EXPECT_TRUE(radio->Report().hungUp);
    cable->Close();
    EXPECT_NE(cable->Open("memory"), 0);
    radio->PowerCycle();
    ASSERT_EQ(cable->Open("memory"), 0);
    Send(Command(0x82));
    EXPECT_EQ(ReadAll(), older);
}

TEST_F(MemoryCableTest, SilentRadioTalksAgainAfterPowerCycle)
{
    RadioOptions options;
    options.faults = {{"ident", FaultKind::Silent}};
    Connect(options);
    Send(Command(0x82));
    EXPECT_EQ(ReadAll(), Bytes{});
    radio->PowerCycle();
    Send(Command(0x82));
    EXPECT_EQ(ReadAll(), older);
}

// A whole main-processor boot session over the cable: the same answers the
// pty radio gives.
TEST_F(MemoryCableTest, BootHandshakeAsOverTheTerminal)
{
    Connect({});
    Send(Command(0x80));
    Send(Text("VEXA5127M"));
    Send({0x00, RadioClient::keyByte});
    EXPECT_EQ(ReadAll(), (Bytes{0xAA, 0x55, 0x00, static_cast<uint8_t>(RadioClient::keyByte ^ 0xFF)}));
    EXPECT_TRUE(radio->Report().protocolErrors.empty()) << FormatReport(radio->Report());
}

} // namespace

// The program repeats a request only after 100 ms without an answer. Two of
// one kind heard closer together were held back on the way (a stalled
// machine): the radio says so, and tests can tell that from a fault of the
// program. Different requests in quick succession are ordinary.
struct PileCase {
    const char* name;
    std::vector<uint8_t> codes;  // requests, in order
    int gapMs;                   // between them
    int heldBack;
};

void PrintTo(const PileCase& c, std::ostream* os) { *os << c.name; }

class RequestPiles : public MemoryCableTest, public testing::WithParamInterface<PileCase> {};

TEST_P(RequestPiles, RepeatsCloserThanTheProgramSendsThemAreCounted)
{
    Connect({});
    for (size_t i = 0; i < GetParam().codes.size(); ++i) {
        if (i > 0) {
            clock.Advance(static_cast<uint32_t>(GetParam().gapMs));
        }
        Send(Command(GetParam().codes[i]));
        ReadAll();
    }
    EXPECT_EQ(radio->Report().requestsHeldBack, GetParam().heldBack);
}

INSTANTIATE_TEST_SUITE_P(
    Radio, RequestPiles,
    testing::Values(PileCase{"two_identities_at_once", {0x82, 0x82}, 0, 1},
                    PileCase{"four_identities_at_once", {0x82, 0x82, 0x82, 0x82}, 0, 3},
                    PileCase{"identities_49ms_apart", {0x82, 0x82}, 49, 1},
                    PileCase{"identities_a_resend_apart", {0x82, 0x82, 0x82}, 100, 0},
                    PileCase{"identity_then_boot_at_once", {0x82, 0x80}, 0, 0},
                    PileCase{"boot_requests_at_once", {0x80, 0x80}, 0, 1}),
    [](const testing::TestParamInfo<PileCase>& info) { return std::string(info.param.name); });
