// The sequencer step by step over the scripted serial driver, with a clock
// that moves only when the test says: the failure rules of the waiting
// states (time-out and write error) and the seeded key byte.
#include "FirmImages.h"
#include "ProcessorProfile.h"
#include "ScriptedSerialDriver.h"
#include "SeqEvents.h"
#include "SeqPrint.h"
#include "ManualClock.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using enum SeqEvent;
using enum SeqState;

std::vector<uint8_t> Identity(const std::string& cpu, char mark, const std::string& dsp)
{
    std::vector<uint8_t> bytes(cpu.begin(), cpu.end());
    bytes.push_back(static_cast<uint8_t>(mark));
    bytes.insert(bytes.end(), dsp.begin(), dsp.end());
    return bytes;
}

const std::vector<uint8_t> IdentRequest = {0x33, 0x90, 0x82, 0x82};
const std::vector<uint8_t> BootCpuRequest = {0x33, 0x90, 0x82, 0x80};
const std::vector<uint8_t> ExitCommand = {0x33, 0x90, 0x82, 0x83};

// Longer than any wait of the sequencer.
constexpr uint32_t PastAnyWait = 20000;
// Enough steps for a whole update of the main processor, one block a step.
constexpr int StepLimit = 200000;

// How the scripted radio answers the system area's check.
enum class SystemArea { Matches, Differs };

// A sequencer on the scripted driver as COM1, with a radio that answers
// every request at once.
class SeqSteps : public testing::Test {
public:  // the time cases drive it from their table
    void SetUp() override
    {
        auto owned = std::make_unique<ScriptedSerialDriver>();
        owned->keepWrittenInQueue = false;
        line = owned.get();
        seq = std::make_unique<clsMainSeq>(
            BuiltInFirmware(), SeqPlatform{.driver = std::move(owned),
                                           .resolver = [](int n) { return "scripted" + std::to_string(n); },
                                           .clock = &clock,
                                           .hold = [](int) {}});
        seq->SetPort(1);
        seq->Step();
        seq->Step();
        ASSERT_EQ(seq->GetState(), Standby);
    }

    // What the radio says in the state the sequencer is in, given what the
    // sequencer wrote since the radio last answered.
    void Answer()
    {
        const size_t written = line->writes.size();
        const bool wroteSomething = written != answeredWrites;
        if (!line->incoming.empty()) {
            return;
        }
        const std::vector<uint8_t> all = LastWritten(2);
        if (silentIn.count(seq->GetState()) != 0) {
            answeredWrites = written;
            return;
        }
        switch (seq->GetState()) {
        case Ident_Wait:
            if (wroteSomething) {
                ++identitiesAsked;
                Give(identitiesAsked > 1 && !laterIdentity.empty() ? laterIdentity : identity);
            }
            break;
        case Boot_Enter: Give({0xAA}); break;
        case Boot_Marker: Give({0x55}); break;
        case Sync_Wait00: Give({0x00}); break;
        case Key_Wait: Give({static_cast<uint8_t>(all.back() ^ 0xFF)}); break;
        case ModelChk_WaitAA:
        case VerChk_WaitAA:
        case Firm_WaitAA: Give({0xAA}); break;
        case Firm_ReplySize_U: Give({all[all.size() - 2]}); break;
        case Firm_ReplySize_L: Give({all.back()}); break;
        case RomW_SysCheck:
            if (wroteSomething) {
                Give({systemArea == SystemArea::Matches ? uint8_t{0xFB} : uint8_t{0x00}});
            }
            break;
        case RomW_SysData:
        case RomW_Data:
        case RomW_Sum:
            if (wroteSomething) {
                Give({0xFB});
            }
            break;
        default: break;
        }
        answeredWrites = written;
    }

    // The last n bytes written (fewer when less was written), without
    // copying all that went before: a whole update writes megabytes.
    std::vector<uint8_t> LastWritten(size_t n) const
    {
        std::vector<uint8_t> last;
        for (auto w = line->writes.rbegin(); w != line->writes.rend() && last.size() < n; ++w) {
            last.insert(last.begin(), w->begin(), w->end());
        }
        if (last.size() > n) {
            last.erase(last.begin(), last.end() - static_cast<std::ptrdiff_t>(n));
        }
        return last;
    }

    void Give(const std::vector<uint8_t>& bytes) { line->incoming.insert(line->incoming.end(), bytes.begin(), bytes.end()); }

    // One tick: the radio answers, the sequencer steps, a millisecond passes.
    // Each tick is noted with the clock reading it ran at.
    SeqEvent Tick()
    {
        Answer();
        const size_t writesBefore = line->writes.size();
        const SeqEvent event = seq->Step();
        seq->ClearEvent();
        if (event != EvNone) {
            events.push_back(event);
        }
        ticks.push_back({clock.Now(), seq->GetState(), event});
        for (size_t i = writesBefore; i < line->writes.size(); ++i) {
            writeTimes.push_back({clock.Now(), line->writes[i]});
        }
        clock.Advance(1);
        return event;
    }

    // Ticks until the event comes (true) or the step limit passes.
    bool RunToEvent(SeqEvent wanted)
    {
        for (int n = 0; n < StepLimit; ++n) {
            if (Tick() == wanted) {
                return true;
            }
            if (seq->GetState() == Confirm) {
                seq->StartUpdate();
            }
        }
        return false;
    }

    // The clock reading of the first tick that ended in the state, from the
    // n-th time on that it was entered (counted from 1); -1 when never.
    int64_t Entered(SeqState state, int nth = 1) const
    {
        SeqState previous = Standby;
        for (const TickNote& t : ticks) {
            if (t.state == state && previous != state && --nth == 0) {
                return t.at;
            }
            previous = t.state;
        }
        return -1;
    }

    int64_t EventAt(SeqEvent event) const
    {
        for (const TickNote& t : ticks) {
            if (t.event == event) {
                return t.at;
            }
        }
        return -1;
    }

    // When each write of exactly these bytes was made.
    std::vector<int64_t> WritesOf(const std::vector<uint8_t>& bytes) const
    {
        std::vector<int64_t> at;
        for (const auto& [when, written] : writeTimes) {
            if (written == bytes) {
                at.push_back(when);
            }
        }
        return at;
    }

    // Runs the update, confirming the question, until the state is reached.
    bool RunTo(SeqState wanted)
    {
        seq->StartUpdate();
        for (int n = 0; n < StepLimit; ++n) {
            if (seq->GetState() == wanted) {
                return true;
            }
            Tick();
            if (seq->GetState() == Confirm) {
                seq->StartUpdate();
            }
        }
        return false;
    }

    // The key byte of the next hand-shake: run to it, then fail it on purpose.
    uint8_t NextKeyByte()
    {
        EXPECT_TRUE(RunTo(Key_Wait));
        const uint8_t key = line->AllWritten().back();
        line->incoming.push_back(static_cast<uint8_t>(key));  // not key XOR 0xFF: the hand-shake fails
        EXPECT_EQ(Tick(), EvHandshake);
        Tick();  // Reset: rests in Standby
        return key;
    }

    struct TickNote {
        int64_t at;
        SeqState state;  // after the step
        SeqEvent event;
    };

    ManualClock clock{1000};
    ScriptedSerialDriver* line = nullptr;
    std::unique_ptr<clsMainSeq> seq;
    SystemArea systemArea = SystemArea::Matches;
    size_t answeredWrites = 0;
    std::vector<SeqEvent> events;
    // The identity answer (placeholders on both: both older than any
    // image) and, when set, the one given from the second request on.
    std::vector<uint8_t> identity = Identity("X.XX-XXX", 'E', "        ");
    std::vector<uint8_t> laterIdentity;
    int identitiesAsked = 0;
    std::set<SeqState> silentIn;  // states in which the radio says nothing
    std::vector<TickNote> ticks;
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> writeTimes;
};

// --- the failure table --------------------------------------------------------

TEST(SeqFailureTable, EveryWaitingStateTimesOutWithAnEventOfItsOwn)
{
    const SeqState waiting[] = {Ident_Wait,       Boot_Enter,       Boot_Marker,   Sync_Wait00, Key_Wait,
                                ModelChk_WaitAA,  VerChk_WaitAA,    Firm_ReplySize_U, Firm_ReplySize_L,
                                Firm_SendData,    Firm_WaitAA,      RomW_SysCheck, RomW_SysData, RomW_Data,
                                RomW_Sum};
    for (const SeqState s : waiting) {
        const StateFailure* row = FailureOf(s);
        ASSERT_NE(row, nullptr) << s;
        EXPECT_TRUE(TimesOut(*row)) << s;
        EXPECT_NE(row->event, EvNone) << s;
        EXPECT_NE(row->event, EvUnknown) << s;
    }
    for (const StateFailure& row : stateFailures) {
        EXPECT_EQ(FailureOf(row.state), &row) << row.state << " has more than one row";
        const bool waits = std::find(std::begin(waiting), std::end(waiting), row.state) != std::end(waiting);
        EXPECT_EQ(TimesOut(row), waits) << row.state;
    }
}

struct TimeOutCase {
    SeqState state;
    SeqEvent event;
    SeqState next;
    SystemArea systemArea = SystemArea::Matches;
};

void PrintTo(const TimeOutCase& c, std::ostream* os) { *os << c.state; }

class SeqTimeOut : public SeqSteps, public testing::WithParamInterface<TimeOutCase> {};

TEST_P(SeqTimeOut, ReportsTheStatesEventWhenNothingComes)
{
    const TimeOutCase& c = GetParam();
    systemArea = c.systemArea;
    ASSERT_TRUE(RunTo(c.state)) << "stuck in " << seq->GetState();
    if (c.state == Firm_SendData) {
        line->transmitQueue = 1024;  // the line stalls: nothing more can be sent
    }
    // The state's first step sends what it sends (a check block restarts
    // the wait); then no answer comes.
    ASSERT_EQ(seq->Step(), EvNone);
    ASSERT_EQ(seq->GetState(), c.state);
    clock.Advance(PastAnyWait);
    EXPECT_EQ(seq->Step(), c.event);
    EXPECT_EQ(seq->GetState(), c.next);
}

INSTANTIATE_TEST_SUITE_P(
    Seq, SeqTimeOut,
    testing::Values(TimeOutCase{Ident_Wait, EvNoAnswer, Standby}, TimeOutCase{Boot_Enter, EvBoot, Reset},
                    TimeOutCase{Boot_Marker, EvBoot, Reset}, TimeOutCase{Sync_Wait00, EvHandshake, Reset},
                    TimeOutCase{Key_Wait, EvHandshake, Reset}, TimeOutCase{ModelChk_WaitAA, EvModel, Reset},
                    TimeOutCase{VerChk_WaitAA, EvVersionAnswer, Reset},
                    TimeOutCase{Firm_ReplySize_U, EvFirmUpload, Reset},
                    TimeOutCase{Firm_ReplySize_L, EvFirmUpload, Reset},
                    TimeOutCase{Firm_SendData, EvFirmUpload, Reset}, TimeOutCase{Firm_WaitAA, EvFirmUpload, Reset},
                    TimeOutCase{RomW_SysCheck, EvRomData, Reset},
                    TimeOutCase{RomW_SysData, EvRomData, Reset, SystemArea::Differs},
                    TimeOutCase{RomW_Data, EvRomData, Reset}, TimeOutCase{RomW_Sum, EvRomData, Reset}),
    [](const testing::TestParamInfo<TimeOutCase>& info) { return std::string(SeqStateName(info.param.state)); });

struct WriteErrorCase {
    SeqState writes;  // the state whose step makes the write that fails
    SeqEvent event;   // what the state the step ends in reports
    SystemArea systemArea = SystemArea::Matches;
};

void PrintTo(const WriteErrorCase& c, std::ostream* os) { *os << c.writes; }

class SeqWriteError : public SeqSteps, public testing::WithParamInterface<WriteErrorCase> {};

TEST_P(SeqWriteError, ReportsTheEventOfTheStateItIsFoundIn)
{
    const WriteErrorCase& c = GetParam();
    systemArea = c.systemArea;
    ASSERT_TRUE(RunTo(c.writes)) << "stuck in " << seq->GetState();
    clock.Advance(100);  // a repeated request is due
    line->writeLimit = 0;
    EXPECT_EQ(seq->Step(), c.event);
    EXPECT_EQ(seq->GetState(), Reset);
}

// A write that fails in a sending state is found after the step, in the
// waiting state it moved to. Asking for the identity is the exception to
// the table's rule: there a write error is EvUnknown, not EvNoAnswer; so is
// the end packet, found while waiting for the radio to wake, which has no
// event of its own.
INSTANTIATE_TEST_SUITE_P(
    Seq, SeqWriteError,
    testing::Values(WriteErrorCase{Ident_Wait, EvUnknown}, WriteErrorCase{Boot_Enter, EvBoot},
                    WriteErrorCase{Boot_Marker, EvBoot}, WriteErrorCase{Sync_Send00, EvHandshake},
                    WriteErrorCase{Key_Send, EvHandshake}, WriteErrorCase{ModelChk, EvModel},
                    WriteErrorCase{VerChk, EvVersionAnswer}, WriteErrorCase{Firm_SendSize, EvFirmUpload},
                    WriteErrorCase{Firm_SendData, EvFirmUpload}, WriteErrorCase{RomW_SysCheck, EvRomData},
                    WriteErrorCase{RomW_SysData, EvRomData, SystemArea::Differs}, WriteErrorCase{RomW_Data, EvRomData},
                    WriteErrorCase{RomW_Sum, EvRomData}, WriteErrorCase{RomW_End, EvUnknown}),
    [](const testing::TestParamInfo<WriteErrorCase>& info) { return std::string(SeqStateName(info.param.writes)); });

// The end packet waits in the port's buffer on a stalled line; the send
// task's later try fails while the sequencer waits for the radio to wake.
// The failure is reported in that step, not after the wait.
TEST_F(SeqSteps, WriteErrorWhileWaitingForTheRadioToWake)
{
    ASSERT_TRUE(RunTo(RomW_End));
    line->transmitQueue = 1;  // the line stalls: the end packet stays in the port
    ASSERT_EQ(Tick(), EvNone);
    ASSERT_EQ(seq->GetState(), Wake_Wait);
    ASSERT_EQ(Tick(), EvNone);
    clock.Advance(20);  // the send task's next try is due; the 2000 ms wait is not over
    line->transmitQueue = 0;
    line->writeLimit = 0;
    EXPECT_EQ(seq->Step(), EvUnknown);
    EXPECT_EQ(seq->GetState(), Reset);
}

// The flash-writing program goes out over a line that sends about four bytes
// a millisecond (38,400 bit/s) and answers nothing until the end: the upload
// never has more than half of the 1,024-byte transmit queue in use, counted
// as what the port still holds plus what the line has not yet sent. The
// port hands its buffer to the line whenever the line has sent everything,
// so each such write shows what was pending at that moment.
TEST_F(SeqSteps, WriterUploadKeepsHalfTheQueueFreeOnASlowLine)
{
    constexpr uint32_t drainPerMs = 4;
    constexpr uint32_t halfQueue = 512;
    ASSERT_TRUE(RunTo(Firm_SendData));
    const size_t writerLength = PlainBytes(FlashWriterImage()).size();
    const size_t writesBefore = line->writes.size();
    line->keepWrittenInQueue = true;
    uint32_t mostQueued = 0;
    for (int ms = 0; ms < 5000 && seq->GetState() == Firm_SendData; ++ms) {
        line->transmitQueue -= std::min(line->transmitQueue, drainPerMs);
        ASSERT_EQ(Tick(), EvNone);
        mostQueued = std::max(mostQueued, line->transmitQueue);
    }
    ASSERT_EQ(seq->GetState(), Firm_WaitAA);
    // The last bytes leave the port once the line has room for them.
    for (int ms = 0; ms < 300; ++ms) {
        line->transmitQueue -= std::min(line->transmitQueue, drainPerMs);
        clock.Advance(1);
        seq->Step();
        mostQueued = std::max(mostQueued, line->transmitQueue);
    }
    size_t sent = 0;
    size_t largestWrite = 0;
    for (size_t i = writesBefore; i < line->writes.size(); ++i) {
        sent += line->writes[i].size();
        largestWrite = std::max(largestWrite, line->writes[i].size());
    }
    EXPECT_EQ(sent, writerLength);
    EXPECT_LE(mostQueued, halfQueue);
    EXPECT_LE(largestWrite, size_t{halfQueue});
    // The line, not the per-step limit, held the upload back.
    EXPECT_GE(largestWrite, size_t{halfQueue} - 2 * drainPerMs);
}

// --- the flash-writing program's echo -------------------------------------------

struct EchoCase {
    const char* name;
    int wrongAt;     // index of the one byte echoed wrong; -1: all right
    SeqEvent event;  // at the step that reads the echo; EvNone: the upload goes on
};

void PrintTo(const EchoCase& c, std::ostream* os) { *os << c.name; }

class SeqWriterEcho : public SeqSteps, public testing::WithParamInterface<EchoCase> {};

// The radio echoes the first 100 bytes of the program (the program compares
// them in chunks of 16) and then nothing more: a right echo lets the upload
// go on to the radio's 0xAA, one wrong byte anywhere in a chunk ends it at
// the step that reads it.
TEST_P(SeqWriterEcho, EveryByteOfEachChunkIsCompared)
{
    const EchoCase& c = GetParam();
    const std::vector<uint8_t> plain = PlainBytes(FlashWriterImage());
    ASSERT_TRUE(RunTo(Firm_SendData));
    ASSERT_EQ(Tick(), EvNone);  // the first 255 bytes go out
    std::vector<uint8_t> echo(plain.begin(), plain.begin() + 100);
    if (c.wrongAt >= 0) {
        echo[static_cast<size_t>(c.wrongAt)] ^= 0x01;
    }
    Give(echo);
    EXPECT_EQ(Tick(), c.event);
    if (c.event != EvNone) {
        EXPECT_EQ(seq->GetState(), Reset);
        return;
    }
    EXPECT_TRUE(line->incoming.empty());  // all 100 were read
    for (int n = 0; n < 100 && seq->GetState() != RomW_Setup_Wait; ++n) {
        ASSERT_EQ(Tick(), EvNone) << seq->GetState();
    }
    EXPECT_EQ(seq->GetState(), RomW_Setup_Wait);
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqWriterEcho,
                         testing::Values(EchoCase{"all_right", -1, EvNone},
                                         EchoCase{"first_byte_wrong", 0, EvFirmUpload},
                                         EchoCase{"last_of_a_chunk_wrong", 15, EvFirmUpload},
                                         EchoCase{"inside_a_later_chunk_wrong", 37, EvFirmUpload},
                                         EchoCase{"last_echoed_wrong", 99, EvFirmUpload}),
                         [](const testing::TestParamInfo<EchoCase>& info) { return std::string(info.param.name); });

// --- the key byte -------------------------------------------------------------

class SeqKey : public SeqSteps {
protected:
    std::vector<uint8_t> KeyBytes(uint32_t seed)
    {
        seq->SeedKey(seed);
        std::vector<uint8_t> keys;
        for (int n = 0; n < 4; ++n) {
            keys.push_back(NextKeyByte());
        }
        return keys;
    }
};

TEST_F(SeqKey, SeededSequenceRepeatsAndAnotherSeedGivesAnother)
{
    const std::vector<uint8_t> first = KeyBytes(20261210);
    const std::vector<uint8_t> again = KeyBytes(20261210);
    const std::vector<uint8_t> other = KeyBytes(7);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
}

// --- prescribed times, to the millisecond ------------------------------------

using TimeCheck = std::function<void(SeqSteps&)>;

struct TimeCase {
    const char* name;
    TimeCheck run;
};

void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.name; }

class SeqTimes : public SeqSteps, public testing::WithParamInterface<TimeCase> {};

TEST_P(SeqTimes, AreKeptExactly)
{
    GetParam().run(*this);
}

// The DSP alone differs: the main processor's text is the image's.
std::vector<uint8_t> DspOnlyIdentity()
{
    const auto image = LoadImage(CpuImage(), cpuProfile.storeCapacity);
    char text[versionTextLength + 1] = {};
    image->Read(cpuVersionAddress, versionTextLength, reinterpret_cast<uint8_t*>(text));
    return Identity(text, 'E', "        ");
}

INSTANTIATE_TEST_SUITE_P(
    Seq, SeqTimes,
    testing::Values(
        TimeCase{"settle_1000_before_the_identity",
                 [](SeqSteps& t) {
                     ASSERT_TRUE(t.RunTo(Ident_Wait));
                     EXPECT_EQ(t.Entered(Ident_Setup) - t.Entered(CommOpen), 1000);
                 }},
        TimeCase{"identity_resent_every_100_and_given_up_after_5000",
                 [](SeqSteps& t) {
                     t.silentIn = {Ident_Wait};
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvNoAnswer));
                     const std::vector<int64_t> asked = t.WritesOf(IdentRequest);
                     ASSERT_GE(asked.size(), 2u);
                     for (size_t i = 1; i < asked.size(); ++i) {
                         EXPECT_EQ(asked[i] - asked[i - 1], 100) << "request " << i;
                     }
                     EXPECT_EQ(t.EventAt(EvNoAnswer) - t.Entered(Ident_Wait), 5000);
                     EXPECT_EQ(asked.size(), 50u);  // 0, 100, ... 4,900 ms into the wait
                 }},
        TimeCase{"port_tried_again_after_3000",
                 [](SeqSteps& t) {
                     t.line->openError = ENOENT;
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvComOpen));
                     EXPECT_EQ(t.EventAt(EvComOpen) - t.Entered(CommRetry), 3000);
                     EXPECT_EQ(t.line->openedPaths.size(), 2u);  // both tries refused
                 }},
        TimeCase{"boot_request_every_100_for_5000",
                 [](SeqSteps& t) {
                     t.silentIn = {Boot_Enter};
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvBoot));
                     const std::vector<int64_t> asked = t.WritesOf(BootCpuRequest);
                     ASSERT_GE(asked.size(), 2u);
                     EXPECT_EQ(asked[1] - asked[0], 100);
                     EXPECT_EQ(t.EventAt(EvBoot) - t.Entered(Boot_Enter), 5000);
                 }},
        TimeCase{"marker_given_up_after_5000",
                 [](SeqSteps& t) {
                     t.silentIn = {Boot_Marker};
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvBoot));
                     EXPECT_EQ(t.EventAt(EvBoot) - t.Entered(Boot_Marker), 5000);
                 }},
        TimeCase{"writer_answer_awaited_8000",
                 [](SeqSteps& t) {
                     t.silentIn = {Firm_WaitAA};
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvFirmUpload));
                     // The wait starts when the size goes out.
                     EXPECT_EQ(t.EventAt(EvFirmUpload) - t.Entered(Firm_ReplySize_U), 8000);
                 }},
        TimeCase{"rest_300_before_writing",
                 [](SeqSteps& t) {
                     ASSERT_TRUE(t.RunTo(RomW_SysCheck));
                     EXPECT_EQ(t.Entered(RomW_Branch) - t.Entered(RomW_Setup_Wait), 300);
                 }},
        TimeCase{"block_answer_awaited_8000",
                 [](SeqSteps& t) {
                     ASSERT_TRUE(t.RunTo(RomW_Data));
                     for (int n = 0; n < 20; ++n) {
                         t.Tick();
                     }
                     t.silentIn = {RomW_Data};
                     ASSERT_TRUE(t.RunToEvent(EvRomData));
                     EXPECT_EQ(t.EventAt(EvRomData) - t.writeTimes.back().first, 8000);
                 }},
        TimeCase{"identity_asked_again_2000_after_the_end",
                 [](SeqSteps& t) {
                     ASSERT_TRUE(t.RunTo(Wake_Wait));
                     for (int n = 0; n < 3000 && t.seq->GetState() == Wake_Wait; ++n) {
                         t.Tick();
                     }
                     // Asked in the question's half, again after Yes, then after the end.
                     EXPECT_EQ(t.Entered(Ident_Setup, 3) - t.Entered(Wake_Wait), 2000);
                 }},
        TimeCase{"dsp_final_answer_awaited_15000",
                 [](SeqSteps& t) {
                     t.identity = DspOnlyIdentity();
                     t.silentIn = {RomW_Sum};
                     t.seq->StartUpdate();
                     ASSERT_TRUE(t.RunToEvent(EvRomData));
                     EXPECT_EQ(t.events, (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingDsp, EvRomData}));
                     EXPECT_EQ(t.EventAt(EvRomData) - t.Entered(RomW_Sum), 15000);
                 }}),
    [](const testing::TestParamInfo<TimeCase>& info) { return std::string(info.param.name); });

// --- identity answers of the wrong length ------------------------------------

class SeqShortIdentity : public SeqSteps, public testing::WithParamInterface<int> {};

// A part of an answer stops the repeated requests; the time-out follows.
TEST_P(SeqShortIdentity, StopsTheRequestsThenTimesOut)
{
    identity.resize(static_cast<size_t>(GetParam()));
    seq->StartUpdate();
    ASSERT_TRUE(RunToEvent(EvNoAnswer));
    EXPECT_EQ(WritesOf(IdentRequest).size(), 1u);
    EXPECT_EQ(EventAt(EvNoAnswer) - Entered(Ident_Wait), 5000);
    EXPECT_EQ(seq->GetState(), Standby);
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqShortIdentity, testing::Range(1, 17));

class SeqLongIdentity : public SeqSteps, public testing::WithParamInterface<int> {};

// More than one answer at once fails in the step that sees it.
TEST_P(SeqLongIdentity, FailsInTheStepThatSeesIt)
{
    identity.resize(static_cast<size_t>(GetParam()), 'X');
    seq->StartUpdate();
    ASSERT_TRUE(RunToEvent(EvNoAnswer));
    const std::vector<int64_t> asked = WritesOf(IdentRequest);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(EventAt(EvNoAnswer), asked[0] + 1);  // the answer is there at the next tick
    EXPECT_EQ(seq->GetState(), Standby);
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqLongIdentity, testing::Values(18, 19, 34, 100));

// --- answers the sequencer takes as they are ----------------------------------

TEST_F(SeqSteps, WrongByteWhileWaitingForTheZeroIsIgnored)
{
    ASSERT_TRUE(RunTo(Sync_Wait00));
    silentIn = {Sync_Wait00};
    Give({0x13});
    Tick();
    EXPECT_EQ(seq->GetState(), Sync_Wait00);
    Give({0x00});
    Tick();
    EXPECT_EQ(seq->GetState(), Key_Send);
    EXPECT_EQ(events, (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu}));
}

// A blank main processor is written whatever the rest of the answer holds.
TEST_F(SeqSteps, BlankMainProcessorAsksForTheWholeUpdateWhateverTheRestSays)
{
    identity = Identity("X.XX-XXX", 'J', "ab/cd?fg");
    seq->StartUpdate();
    ASSERT_TRUE(RunToEvent(EvConfirmUpdate));
    EXPECT_EQ(seq->GetWriteTime(), 440);
    EXPECT_EQ(seq->GetState(), Confirm);
}

// Refused only at the second identity, after the owner said Yes: nothing is
// written, the radio is told to leave update mode.
TEST_F(SeqSteps, RadioRefusedAtSelectEndsWithTheExitCommand)
{
    identity = Identity("1.05-119", 'E', "        ");
    laterIdentity = Identity("1.05-119", 'J', "        ");
    seq->StartUpdate();
    ASSERT_TRUE(RunToEvent(EvCompleted));
    EXPECT_EQ(events, (std::vector<SeqEvent>{EvConfirmUpdate, EvCannotUpdate, EvCompleted}));
    EXPECT_EQ(seq->GetTarget(), TargetRefused);
    EXPECT_EQ(WritesOf(ExitCommand).size(), 1u);
    EXPECT_TRUE(WritesOf(BootCpuRequest).empty());
    EXPECT_EQ(seq->GetState(), Standby);
}

// --- write errors found in the states that do not wait --------------------------

struct QuietWriteErrorCase {
    SeqState foundIn;
    SeqEvent event;
};

void PrintTo(const QuietWriteErrorCase& c, std::ostream* os) { *os << c.foundIn; }

class SeqQuietWriteError : public SeqSteps, public testing::WithParamInterface<QuietWriteErrorCase> {};

// The last bytes of the flash-writing program stay in the send buffer of a
// stalled line; the send task tries them again later and the write fails
// while the sequencer is on its way to the first block.
TEST_P(SeqQuietWriteError, ReportsTheRowsEvent)
{
    const QuietWriteErrorCase& c = GetParam();
    const size_t writerLength = PlainBytes(FlashWriterImage()).size();
    ASSERT_TRUE(RunTo(Firm_SendData));
    const size_t before = line->AllWritten().size();
    while (seq->GetState() == Firm_SendData && line->AllWritten().size() - before + 255 < writerLength) {
        Tick();
    }
    line->transmitQueue = 1;  // the line stalls
    while (seq->GetState() != RomW_Setup_Wait) {
        ASSERT_EQ(Tick(), EvNone);
    }
    const SeqState before_step = c.foundIn == RomW_Branch ? RomW_Setup_Wait : RomW_Branch;
    while (seq->GetState() != before_step) {
        ASSERT_EQ(Tick(), EvNone);
    }
    clock.Advance(PastAnyWait);  // the send task's retry and every wait are due
    line->transmitQueue = 0;
    line->writeLimit = 0;
    EXPECT_EQ(seq->Step(), c.event);
    EXPECT_EQ(seq->GetState(), Reset);
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqQuietWriteError,
                         testing::Values(QuietWriteErrorCase{RomW_Branch, EvRomData},
                                         QuietWriteErrorCase{RomW_SysStart, EvSysStart}),
                         [](const testing::TestParamInfo<QuietWriteErrorCase>& info) {
                             return std::string(SeqStateName(info.param.foundIn));
                         });

} // namespace
