// How long the ticking waits after a tick: short while anything goes on,
// long only while the sequencer rests with its port closed.
#include "RadioSeqFixture.h"
#include "TickRhythm.h"

#include <set>

namespace {

using enum SeqState;
using TickRhythm::BusyMs;
using TickRhythm::RestMs;

struct RhythmCase {
    const char* name;
    SeqState state;
    bool portOpen;
    bool inProgress;
    int waitMs;
};

TEST(TickRhythm, WaitAfterATick)
{
    const RhythmCase rows[] = {
        {"resting before any update", Standby, false, false, RestMs},
        {"resting after a failure", Reset, false, false, RestMs},
        {"asking the user", Confirm, false, false, RestMs},
        {"the tick that reached the question, port still open", Confirm, true, false, BusyMs},
        {"the tick that failed mid-update, port still open", Reset, true, false, BusyMs},
        {"the tick that completed, port still open", Standby, true, false, BusyMs},
        {"a resting state while a processor is written", Standby, false, true, BusyMs},
        {"just made", Opening, false, false, BusyMs},
        {"started, port not yet open", Begin, false, false, BusyMs},
        {"opening the port again after a refusal", CommRetry, false, false, BusyMs},
        {"asking the identity", Ident_Wait, true, false, BusyMs},
        {"writing blocks", RomW_Data, true, true, BusyMs},
        {"the end wait", Wake_Wait, true, true, BusyMs},
    };
    for (const RhythmCase& row : rows) {
        EXPECT_EQ(TickWaitMs(row.state, row.portOpen, row.inProgress), row.waitMs) << row.name;
    }
}

// Every working state keeps the short rhythm, open port or not.
TEST(TickRhythm, EveryWorkingStateIsBusy)
{
    for (int n = static_cast<int>(Opening); n <= static_cast<int>(Completed); ++n) {
        const auto state = static_cast<SeqState>(n);
        if (state == Reset || state == Standby || state == Confirm) {
            continue;
        }
        for (const bool open : {false, true}) {
            EXPECT_EQ(TickWaitMs(state, open, false), BusyMs) << "state " << n << (open ? ", port open" : "");
        }
    }
}

// The sequencer's own answer follows it through a first half: rest before,
// short from StartUpdate on (before any tick), rest again once the question
// is asked and the port closed, short again at the user's Yes.
TEST_F(RadioSeqFixture, TickWaitFollowsTheSequencer)
{
    StartRadio({});
    MakeSequencer();
    EXPECT_EQ(seq->TickWaitMs(), RestMs);

    seq->StartUpdate();
    EXPECT_EQ(seq->TickWaitMs(), BusyMs);
    std::set<int> waits;
    ASSERT_TRUE(driver->RunUntil(
        [&] {
            waits.insert(seq->TickWaitMs());
            return seq->GetState() == Confirm;
        },
        15000));
    EXPECT_EQ(waits, std::set<int> {BusyMs});

    driver->Tick();
    EXPECT_EQ(seq->GetState(), Confirm);
    EXPECT_EQ(seq->TickWaitMs(), RestMs);
    seq->StartUpdate();
    EXPECT_EQ(seq->TickWaitMs(), BusyMs);
}

} // namespace
