// The serial port's own logic, over a driver whose answers the test sets.
#include "cmcComm.h"

#include "CommTestSupport.h"
#include "Platform.h"
#include "ScriptedSerialDriver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kDefaultFlags = 0x1081; // binary, TX-continue-on-XOFF, RTS on

class CommPortScripted : public testing::Test {
protected:
    CommPortScripted()
        : variable(dir.Path())
    {
        auto owned = std::make_unique<ScriptedSerialDriver>();
        driver = owned.get();
        comm = std::make_unique<cmcComm>(std::move(owned), PlatformComResolver(), loop.Timers());
        // The ports exist; the scripted driver never opens them.
        for (const char* name : {"com1", "com3"}) {
            dir.Link(name, "/dev/null");
        }
    }

    TempDir dir;
    PortDirVariable variable;
    TestLoop loop;
    ScriptedSerialDriver* driver = nullptr;
    std::unique_ptr<cmcComm> comm;
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count)
{
    return {bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count)};
}

} // namespace

TEST(CommGetField, SplitsAtEverySeparator)
{
    struct Row {
        const char* text;
        int index;
        std::optional<std::string> field;
    };
    const std::vector<Row> rows {
        {"9600,N,8,1", 0, "9600"},
        {"9600,N,8,1", 1, "N"},
        {"9600,N,8,1", 3, "1"},
        {"9600,N,8,1", 4, std::nullopt},
        {"9600,N,8,1", -1, std::nullopt},
        {"a,,b", 1, ""},
        {",", 0, ""},
        {",", 1, ""},
        {"", 0, ""},
        {"", 1, std::nullopt},
        {"no separator", 0, "no separator"},
        // A comma is never the second byte of a code-page-932 character: after a lead byte it splits.
        {"\x83,x", 1, "x"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cmcComm::GetField(row.text, ',', row.index), row.field) << row.text << " [" << row.index << "]";
    }
}

// Text in code page 932: a separator byte that is the second byte of a
// double-byte character (lead 0x81-0x9F or 0xE0-0xFC, trail 0x40-0x7E or
// 0x80-0xFC) belongs to that character and does not split.
TEST(CommGetField, KeepsDoubleByteCharactersWhole)
{
    struct Row {
        const char* name;
        const char* text;
        char separator;
        int index;
        std::optional<std::string> field;
    };
    const std::vector<Row> rows {
        // "\x95\x5C" is a kanji whose second byte is the backslash.
        {"trail_backslash_first_lead_range", "\x95\\a\\b", '\\', 0, "\x95\\a"},
        {"trail_backslash_next_field", "\x95\\a\\b", '\\', 1, "b"},
        {"trail_backslash_no_third", "\x95\\a\\b", '\\', 2, std::nullopt},
        {"trail_at_second_lead_range", "x\xE0@y@z", '@', 0, "x\xE0@y"},
        {"trail_at_highest_lead", "\xFC@@z", '@', 1, "z"},
        {"trail_pipe_lowest_lead", "\x81|a|b", '|', 1, "b"},
        {"trail_0x7E", "\x81~a~b", '~', 1, "b"},
        {"separator_after_a_whole_character", "\x82\xA0|a", '|', 1, "a"},
        {"two_characters_then_a_split", "\x95\\\x95\\\\x", '\\', 1, "x"},
        {"lead_at_the_very_end", "a|\x95", '|', 1, "\x95"},
        // Not a double-byte character: the separator splits.
        {"not_a_lead_0x80", "\x80|a", '|', 1, "a"},
        {"not_a_lead_0xA0", "\xA0|a", '|', 1, "a"},
        {"not_a_lead_0xFD", "\xFD@a", '@', 1, "a"},
        {"half_width_kana_0xB1", "\xB1@a", '@', 1, "a"},
        {"not_a_trail_0x3F", "\x95?a", '?', 1, "a"},
        {"not_a_trail_0x7F", "\x95\x7F" "a", '\x7F', 1, "a"},
        // A separator that is itself a lead byte splits where it is not a trail.
        {"lead_byte_as_separator", "a\x95;b", '\x95', 1, ";b"},
        {"lead_byte_as_a_trail", "\x95\x95;\x95;", '\x95', 1, ";"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cmcComm::GetField(row.text, row.separator, row.index), row.field) << row.name;
    }
}

TEST_F(CommPortScripted, DefaultsAfterConstruction)
{
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(comm->BitRate(), 9600u);
    EXPECT_EQ(comm->LineFlags(), kDefaultFlags);
    EXPECT_EQ(comm->DataBits(), 8);
    EXPECT_EQ(comm->Parity(), 0);
    EXPECT_EQ(comm->StopBits(), 0);
    EXPECT_FALSE(comm->HasWriteError());
    EXPECT_EQ(comm->FreeCount(), 0u);
    EXPECT_EQ(comm->PendingCount(), 0u);
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::None);
}

TEST_F(CommPortScripted, OpenSetsUpTheLine)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    EXPECT_TRUE(comm->IsOpen());
    EXPECT_EQ(comm->Port(), 3);
    EXPECT_EQ(driver->openedPaths, (std::vector<std::string> {dir.Join("com3")}));
    EXPECT_EQ(driver->purgeCount, 1);
    ASSERT_EQ(driver->configured.size(), 1u);
    const LineSettings& line = driver->configured[0];
    EXPECT_EQ(line.bitRate, 9600u);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.parity, 0);
    EXPECT_EQ(line.stopBits, 0);
    EXPECT_EQ(line.flags, kDefaultFlags);
    EXPECT_EQ(line.xonLimit, 16000u);
    EXPECT_EQ(line.xoffLimit, 24000u);
    EXPECT_EQ(line.xonChar, 0x11);
    EXPECT_EQ(line.xoffChar, 0x13);
    EXPECT_EQ(line.errorChar, 0x3F);
    EXPECT_EQ(line.eofChar, 0xFD);
    EXPECT_EQ(line.evtChar, 0xFE);
    // DTR off, RTS on.
    EXPECT_EQ(driver->modemLines, (std::vector<std::pair<bool, bool>> {{false, true}}));
    EXPECT_EQ(comm->WriteTimeoutPerByte(), 10u);
    EXPECT_EQ(comm->WriteTimeoutConstant(), 3000u);
    EXPECT_EQ(comm->FreeCount(), 1024u);
}

struct SettingsCase {
    const char* name;
    const char* settings;
    uint32_t bitRate;
    uint8_t dataBits;
    uint8_t parity;
    bool parityChecked;
    uint8_t stopBits;
};

class CommPortSettings : public CommPortScripted, public testing::WithParamInterface<SettingsCase> {};

TEST_P(CommPortSettings, SettingsStringReachesTheLine)
{
    const SettingsCase& row = GetParam();
    ASSERT_TRUE(comm->Open(1, row.settings));
    ASSERT_EQ(driver->configured.size(), 1u);
    const LineSettings& line = driver->configured[0];
    EXPECT_EQ(line.bitRate, row.bitRate);
    EXPECT_EQ(line.dataBits, row.dataBits);
    EXPECT_EQ(line.parity, row.parity);
    EXPECT_EQ((line.flags & 0x2) != 0, row.parityChecked);
    EXPECT_EQ(line.stopBits, row.stopBits);
    EXPECT_EQ(comm->DataBits(), row.dataBits);
    EXPECT_EQ(comm->StopBits(), row.stopBits);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortSettings,
    testing::Values(
        SettingsCase {"Usual", "9600,N,8,1", 9600, 8, 0, false, 0},
        SettingsCase {"TwelveDataBitsTwoStops", "9600,N,12,2", 9600, 8, 0, false, 2},
        SettingsCase {"ThreeDataBitsOneAndHalf", "9600,N,3,1.5", 9600, 4, 0, false, 1},
        SettingsCase {"SevenBitsLowerCaseN", "38400,n,7,1", 38400, 7, 0, false, 0},
        SettingsCase {"BlanksAndSignBeforeRate", "  +4800x,N,5,1", 4800, 5, 0, false, 0},
        SettingsCase {"OtherStopTextIsOne", "9600,N,8,1.50", 9600, 8, 0, false, 0},
        SettingsCase {"EvenParity", "9600,E,7,1", 9600, 7, 2, true, 0},
        SettingsCase {"OddParity", "9600,o,8,1", 9600, 8, 1, true, 0},
        SettingsCase {"MarkParity", "9600,M,8,1", 9600, 8, 3, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortScripted, ZeroBitRateFailsOpen)
{
    EXPECT_FALSE(comm->Open(3, "fast,N,8,1"));
    EXPECT_EQ(comm->BitRate(), 0u);
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_FALSE(driver->isOpen);
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::Refused);
}

// A rate of 0 on an open port is refused and reaches no line; the port
// stays open and the next rate works.
TEST_F(CommPortScripted, ZeroBitRateOnAnOpenPortIsRefused)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    const size_t configured = driver->configured.size();
    EXPECT_FALSE(comm->SetBitRate(0));
    EXPECT_EQ(driver->configured.size(), configured);
    EXPECT_TRUE(comm->IsOpen());
    EXPECT_EQ(comm->WriteTimeoutPerByte(), 10u);  // still that of 9600
    EXPECT_TRUE(comm->SetBitRate(38400));
    EXPECT_EQ(driver->configured.back().bitRate, 38400u);
}

struct OpenFailureCase {
    const char* name;
    int port;
    int openError;
    bool purgeResult;
    bool configureResult;
    bool modemResult;
    OpenFailure failure;
    int driverCloses;
};

class CommPortOpenFailure : public CommPortScripted, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(CommPortOpenFailure, OpenFailsAndSaysWhy)
{
    const OpenFailureCase& row = GetParam();
    driver->openError = row.openError;
    driver->purgeResult = row.purgeResult;
    driver->configureResult = row.configureResult;
    driver->modemResult = row.modemResult;
    EXPECT_FALSE(comm->Open(row.port, "9600,N,8,1"));
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_FALSE(driver->isOpen);
    EXPECT_EQ(comm->LastOpenFailure(), row.failure);
    EXPECT_EQ(driver->closeCount, row.driverCloses);
    EXPECT_EQ(comm->Read(nullptr, 0), 0);
    EXPECT_EQ(comm->InCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortOpenFailure,
    testing::Values(
        OpenFailureCase {"UnknownNumber", 2, 0, true, true, true, OpenFailure::Missing, 0},
        OpenFailureCase {"NoDevice", 3, ENOENT, true, true, true, OpenFailure::Missing, 0},
        OpenFailureCase {"NoPermission", 3, EACCES, true, true, true, OpenFailure::Permission, 0},
        OpenFailureCase {"LockedByAnother", 3, EWOULDBLOCK, true, true, true, OpenFailure::Busy, 0},
        OpenFailureCase {"ExclusiveTty", 3, EBUSY, true, true, true, OpenFailure::Busy, 0},
        OpenFailureCase {"NotATty", 3, ENOTTY, true, true, true, OpenFailure::NotSerial, 0},
        OpenFailureCase {"PurgeRefused", 3, 0, false, true, true, OpenFailure::Refused, 1},
        OpenFailureCase {"SettingsRefused", 3, 0, true, false, true, OpenFailure::Refused, 1},
        OpenFailureCase {"ModemLinesRefused", 3, 0, true, true, false, OpenFailure::Refused, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortScripted, OpenAsksForBothQueuesAndFailsWhenTheyAreRefused)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    ASSERT_EQ(driver->queueSizes.size(), 1u);
    EXPECT_EQ(driver->queueSizes[0], std::make_pair(32000u, 1024u));
    comm->Close();

    driver->queueResult = false;
    EXPECT_FALSE(comm->Open(3, "9600,N,8,1"));
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_FALSE(driver->isOpen);
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::Refused);
    EXPECT_EQ(driver->purgeCount, 1); // only the first open got that far
}

TEST_F(CommPortScripted, SecondOpenFailsAndChangesNothing)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    EXPECT_FALSE(comm->Open(1, "38400,N,7,2"));
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::AlreadyOpen);
    EXPECT_TRUE(comm->IsOpen());
    EXPECT_EQ(comm->Port(), 3);
    EXPECT_EQ(comm->BitRate(), 9600u);
    EXPECT_EQ(driver->openedPaths.size(), 1u);
    EXPECT_EQ(driver->closeCount, 0);
}

TEST_F(CommPortScripted, LineChangesAreStoredWhileClosedAndAppliedAtOpen)
{
    EXPECT_FALSE(comm->SetDtr(0));
    EXPECT_FALSE(comm->SetRts(0));
    EXPECT_FALSE(comm->SetBitRate(19200));
    EXPECT_TRUE(driver->configured.empty());
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1")); // the settings string sets the rate again
    EXPECT_EQ(driver->modemLines.back(), std::make_pair(false, false));
    EXPECT_EQ(driver->configured.back().flags, 0x0081);
    EXPECT_EQ(driver->configured.back().bitRate, 9600u);
}

struct LineModeCase {
    const char* name;
    int dtr;
    int rts;
    uint16_t flags;
    bool dtrOn;
    bool rtsOn;
};

class CommPortLineModes : public CommPortScripted, public testing::WithParamInterface<LineModeCase> {};

TEST_P(CommPortLineModes, ModesSetFlagBitsAndLines)
{
    const LineModeCase& row = GetParam();
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    EXPECT_TRUE(comm->SetDtr(row.dtr));
    EXPECT_TRUE(comm->SetRts(row.rts));
    EXPECT_EQ(comm->LineFlags(), row.flags);
    EXPECT_EQ(driver->configured.back().flags, row.flags);
    EXPECT_EQ(driver->modemLines.back(), std::make_pair(row.dtrOn, row.rtsOn));
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortLineModes,
    testing::Values(
        LineModeCase {"BothOff", 0, 0, 0x0081, false, false},
        LineModeCase {"BothOn", 1, 1, 0x1091, true, true},
        LineModeCase {"HandshakeAppliedAsOn", 2, 2, 0x20A1, true, true},
        LineModeCase {"ToggleAppliedAsOn", 0, 3, 0x3081, false, true},
        LineModeCase {"OnlyLowTwoBitsCount", 5, 4, 0x0091, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortScripted, BitRateSetsTheWriteTimeOut)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    driver->keepWrittenInQueue = false;
    const std::vector<uint8_t> bytes = PatternBytes(100);
    comm->Write(bytes.data(), 100);
    ASSERT_TRUE(comm->SetBitRate(38400));
    EXPECT_EQ(driver->configured.back().bitRate, 38400u);
    EXPECT_EQ(comm->WriteTimeoutPerByte(), 2u);
    comm->Write(bytes.data(), 100);
    // 100 bytes at 10 ms, then at 2 ms, plus 3,000 ms each.
    EXPECT_EQ(driver->writeTimeouts, (std::vector<uint32_t> {4000, 3200}));
}

TEST_F(CommPortScripted, LargeWriteLeavesInChunksAsTheQueueEmpties)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    const std::vector<uint8_t> bytes = PatternBytes(3000);
    comm->Write(bytes.data(), 3000);
    ASSERT_EQ(driver->writes.size(), 1u);
    EXPECT_EQ(driver->writes[0], Slice(bytes, 0, 1024));
    EXPECT_EQ(comm->PendingCount(), 3000u); // 1,024 in the driver, 1,976 buffered

    // The task keeps looking while the driver still holds the first chunk.
    const int queriesBefore = driver->outQueueQueries;
    ASSERT_TRUE(loop.RunUntil([&] { return driver->outQueueQueries >= queriesBefore + 3; }));
    EXPECT_EQ(driver->writes.size(), 1u);

    driver->DrainTransmit();
    ASSERT_TRUE(loop.RunUntil([&] { return driver->writes.size() == 2; }));
    EXPECT_EQ(driver->writes[1], Slice(bytes, 1024, 1024));
    EXPECT_EQ(comm->PendingCount(), 1976u);

    driver->DrainTransmit();
    ASSERT_TRUE(loop.RunUntil([&] { return driver->writes.size() == 3; }));
    EXPECT_EQ(driver->writes[2], Slice(bytes, 2048, 952));
    EXPECT_EQ(comm->PendingCount(), 952u);

    driver->DrainTransmit();
    EXPECT_EQ(comm->PendingCount(), 0u);
    loop.RunFor(30);
    EXPECT_EQ(driver->writes.size(), 3u);
    EXPECT_FALSE(comm->HasWriteError());
    EXPECT_EQ(driver->AllWritten(), bytes);
}

TEST_F(CommPortScripted, WritesQueueBehindEachOtherInOrder)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    const std::vector<uint8_t> first = PatternBytes(1500, 1);
    const std::vector<uint8_t> second = PatternBytes(700, 2);
    comm->Write(first.data(), 1500);
    comm->Write(second.data(), 700); // the driver still holds the first chunk
    EXPECT_EQ(driver->writes.size(), 1u);
    EXPECT_EQ(comm->PendingCount(), 2200u);
    EXPECT_EQ(comm->FreeCount(), 0u);
    ASSERT_TRUE(loop.RunUntil([&] {
        driver->DrainTransmit();
        return comm->PendingCount() == 0;
    }));
    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(driver->AllWritten(), expected);
    ASSERT_EQ(driver->writes.size(), 3u);
    EXPECT_EQ(driver->writes[1].size(), 1024u);
    EXPECT_EQ(driver->writes[2].size(), 152u);
}

TEST_F(CommPortScripted, ShortWriteSetsTheErrorAndStopsSending)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    driver->writeLimit = 100;
    const std::vector<uint8_t> bytes = PatternBytes(300);
    comm->Write(bytes.data(), 300);
    EXPECT_TRUE(comm->HasWriteError());
    ASSERT_EQ(driver->writes.size(), 1u);
    EXPECT_EQ(driver->writes[0], Slice(bytes, 0, 100));
    EXPECT_EQ(comm->PendingCount(), 300u); // 100 in the driver, 200 not sent

    driver->DrainTransmit();
    driver->writeLimit = UINT32_MAX;
    loop.RunFor(30);
    EXPECT_EQ(driver->writes.size(), 1u); // the task stays stopped
    comm->Write(bytes.data(), 10);        // and further writes only queue
    EXPECT_EQ(driver->writes.size(), 1u);
    EXPECT_EQ(comm->PendingCount(), 210u);
    EXPECT_TRUE(comm->HasWriteError());

    comm->Close();
    EXPECT_FALSE(comm->HasWriteError());
    EXPECT_EQ(comm->PendingCount(), 0u);
}

TEST_F(CommPortScripted, CloseDropsQueuedBytesAndKeepsSettings)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    ASSERT_TRUE(comm->SetDtr(1));
    const std::vector<uint8_t> bytes = PatternBytes(2000);
    comm->Write(bytes.data(), 2000);
    comm->Close();
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(driver->closeCount, 1);
    EXPECT_EQ(comm->PendingCount(), 0u);
    EXPECT_EQ(comm->FreeCount(), 0u);
    loop.RunFor(30);
    EXPECT_EQ(driver->writes.size(), 1u);
    EXPECT_EQ(comm->LineFlags(), 0x1091);

    comm->Close(); // again: harmless
    EXPECT_EQ(driver->closeCount, 1);

    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    EXPECT_EQ(driver->modemLines.back(), std::make_pair(true, true));
    EXPECT_EQ(comm->PendingCount(), 0u);
}

TEST_F(CommPortScripted, WriteOnAClosedPortDoesNothing)
{
    const std::vector<uint8_t> bytes = PatternBytes(10);
    comm->Write(bytes.data(), 10);
    EXPECT_TRUE(driver->writes.empty());
    EXPECT_EQ(comm->PendingCount(), 0u);
    EXPECT_FALSE(comm->HasWriteError());
}

struct FreeCase {
    const char* name;
    uint32_t inDriver;
    int32_t buffered; // queued behind a full driver
    uint32_t pending;
    uint32_t free;
};

class CommPortFreeCount : public CommPortScripted, public testing::WithParamInterface<FreeCase> {};

TEST_P(CommPortFreeCount, FreeIsTheQueueLessPendingNeverBelowZero)
{
    const FreeCase& row = GetParam();
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    driver->transmitQueue = row.inDriver;
    if (row.buffered > 0) {
        const std::vector<uint8_t> bytes = PatternBytes(static_cast<size_t>(row.buffered));
        comm->Write(bytes.data(), row.buffered);
    }
    EXPECT_EQ(comm->PendingCount(), row.pending);
    EXPECT_EQ(comm->FreeCount(), row.free);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortFreeCount,
    testing::Values(
        FreeCase {"Idle", 0, 0, 0, 1024},
        FreeCase {"SomeInDriver", 100, 0, 100, 924},
        FreeCase {"DriverAndBuffer", 100, 500, 600, 424},
        FreeCase {"ExactlyFull", 1000, 24, 1024, 0},
        FreeCase {"MorePendingThanTheQueue", 1000, 500, 1500, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortScripted, ReadTakesWhatHasArrivedAndNeverMore)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    const std::vector<uint8_t> arrived = PatternBytes(17);
    driver->incoming = arrived;
    EXPECT_EQ(comm->InCount(), 17u);
    std::vector<uint8_t> buffer(100, 0);
    EXPECT_EQ(comm->Read(buffer.data(), 5), 5);
    EXPECT_EQ(comm->Read(buffer.data() + 5, 100), 12);
    EXPECT_EQ(Slice(buffer, 0, 17), arrived);
    EXPECT_EQ(comm->Read(buffer.data(), 100), 0);
    EXPECT_EQ(comm->Read(buffer.data(), 0), 0);
}

// The wait is the driver's, open or closed: the port passes the time-out on
// and keeps none of its own state for it.
TEST_F(CommPortScripted, WaitForInputIsTheDriversWait)
{
    EXPECT_FALSE(comm->WaitForInput(20));
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    EXPECT_FALSE(comm->WaitForInput(1));
    driver->incoming = {0xFB};
    EXPECT_TRUE(comm->WaitForInput(1));
    EXPECT_EQ(driver->waits, (std::vector<int> {20, 1, 1}));
    EXPECT_EQ(comm->InCount(), 1u);
}

// Destroyed while its send task still runs: the task must not tick into a
// port that is gone.
TEST_F(CommPortScripted, DestructionWhileSendingStopsTheTask)
{
    ASSERT_TRUE(comm->Open(3, "9600,N,8,1"));
    const std::vector<uint8_t> bytes = PatternBytes(3000);
    comm->Write(bytes.data(), 3000); // the rest waits for the driver's queue
    const int queriesBefore = driver->outQueueQueries;
    ASSERT_TRUE(loop.RunUntil([&] { return driver->outQueueQueries > queriesBefore; }));
    comm.reset();
    driver = nullptr;
    loop.RunFor(30);
}

// The port opens whatever its resolver names for the number, and nothing
// when the resolver knows no such number.
TEST(CommPortResolver, OpensWhatTheResolverGives)
{
    struct Row {
        const char* name;
        int port;
        bool opens;
        std::vector<std::string> opened;
    };
    const std::vector<Row> rows {
        {"known number", 4, true, {"/dev/radio-cable"}},
        {"unknown number", 5, false, {}},
    };
    for (const Row& row : rows) {
        TestLoop loop;
        auto owned = std::make_unique<ScriptedSerialDriver>();
        ScriptedSerialDriver& driver = *owned;
        std::vector<int> asked;
        cmcComm comm(std::move(owned),
                     [&asked](int number) -> std::optional<std::string> {
                         asked.push_back(number);
                         return number == 4 ? std::optional<std::string>("/dev/radio-cable") : std::nullopt;
                     },
                     loop.Timers());
        EXPECT_EQ(comm.Open(row.port, "9600,N,8,1"), row.opens) << row.name;
        EXPECT_EQ(asked, std::vector<int> {row.port}) << row.name;
        EXPECT_EQ(driver.openedPaths, row.opened) << row.name;
        EXPECT_EQ(comm.LastOpenFailure(), row.opens ? OpenFailure::None : OpenFailure::Missing) << row.name;
    }
}

TEST(CommPortResolver, NoResolverMeansNoPorts)
{
    TestLoop loop;
    auto owned = std::make_unique<ScriptedSerialDriver>();
    ScriptedSerialDriver& driver = *owned;
    cmcComm comm(std::move(owned), nullptr, loop.Timers());
    EXPECT_FALSE(comm.Open(1, "9600,N,8,1"));
    EXPECT_EQ(comm.LastOpenFailure(), OpenFailure::Missing);
    EXPECT_TRUE(driver.openedPaths.empty());
}
