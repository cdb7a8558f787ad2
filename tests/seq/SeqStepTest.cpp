// The sequencer step by step over the scripted serial driver, with a clock
// that moves only when the test says: the failure rules of the waiting
// states (time-out and write error) and the seeded key byte.
#include "FirmImages.h"
#include "ScriptedSerialDriver.h"
#include "SeqEvents.h"
#include "SeqPrint.h"
#include "ManualClock.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using enum SeqEvent;
using enum SeqState;

// Longer than any wait of the sequencer.
constexpr uint32_t PastAnyWait = 20000;
// Enough steps for a whole update of the main processor, one block a step.
constexpr int StepLimit = 200000;

// How the scripted radio answers the system area's check.
enum class SystemArea { Matches, Differs };

// A sequencer on the scripted driver as COM1, with a radio that answers
// every request at once.
class SeqSteps : public testing::Test {
protected:
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
        const std::vector<uint8_t> all = line->AllWritten();
        switch (seq->GetState()) {
        case Ident_Wait:
            // Placeholders on both: both are older than any image.
            Give({'X', '.', 'X', 'X', '-', 'X', 'X', 'X', 'E', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '});
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

    void Give(const std::vector<uint8_t>& bytes) { line->incoming.insert(line->incoming.end(), bytes.begin(), bytes.end()); }

    // One tick: the radio answers, the sequencer steps, a millisecond passes.
    SeqEvent Tick()
    {
        Answer();
        const SeqEvent event = seq->Step();
        seq->ClearEvent();
        if (event != EvNone) {
            events.push_back(event);
        }
        clock.Advance(1);
        return event;
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

    ManualClock clock{1000};
    ScriptedSerialDriver* line = nullptr;
    std::unique_ptr<clsMainSeq> seq;
    SystemArea systemArea = SystemArea::Matches;
    size_t answeredWrites = 0;
    std::vector<SeqEvent> events;
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
    line->writeLimit = 0;
    EXPECT_EQ(seq->Step(), c.event);
    EXPECT_EQ(seq->GetState(), Reset);
}

// A write that fails in a sending state is found after the step, in the
// waiting state it moved to. Asking for the identity is the exception to
// the table's rule: there a write error is EvUnknown, not EvNoAnswer.
INSTANTIATE_TEST_SUITE_P(
    Seq, SeqWriteError,
    testing::Values(WriteErrorCase{Ident_Wait, EvUnknown}, WriteErrorCase{Boot_Enter, EvBoot},
                    WriteErrorCase{Boot_Marker, EvBoot}, WriteErrorCase{Sync_Send00, EvHandshake},
                    WriteErrorCase{Key_Send, EvHandshake}, WriteErrorCase{ModelChk, EvModel},
                    WriteErrorCase{VerChk, EvVersionAnswer}, WriteErrorCase{Firm_SendSize, EvFirmUpload},
                    WriteErrorCase{Firm_SendData, EvFirmUpload}, WriteErrorCase{RomW_SysCheck, EvRomData},
                    WriteErrorCase{RomW_SysData, EvRomData, SystemArea::Differs}, WriteErrorCase{RomW_Data, EvRomData},
                    WriteErrorCase{RomW_Sum, EvRomData}),
    [](const testing::TestParamInfo<WriteErrorCase>& info) { return std::string(SeqStateName(info.param.writes)); });

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

} // namespace
