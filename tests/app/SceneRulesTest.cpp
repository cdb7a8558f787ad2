// What OK does and whether the program may close, in every scene: the two
// tables the windows follow, read row by row.
#include "CloseRule.h"
#include "EndRequest.h"
#include "OkSceneTable.h"
#include "ScenePrint.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct OkCase {
    const char* name;
    Scene scene;
    std::optional<OkAction> action;  // empty: OK does nothing here
    Scene next;
};

void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }

const OkCase OkCases[] = {
    {"s00_opening_is_the_cards", Scene::Opening, std::nullopt, Scene::Opening},
    {"s01_port_entry_starts_at_the_port", Scene::PortEntry, OkAction::StartAtPort, Scene::Connecting},
    {"s02_connecting_has_no_ok", Scene::Connecting, std::nullopt, Scene::Connecting},
    {"s03_downgrade_yes_asks_to_start", Scene::ConfirmDowngrade, OkAction::Show, Scene::ConfirmUpdate},
    {"s04_confirm_yes_starts_writing", Scene::ConfirmUpdate, OkAction::Start, Scene::ConnectingToWrite},
    {"s05_connecting_to_write_has_no_ok", Scene::ConnectingToWrite, std::nullopt, Scene::ConnectingToWrite},
    {"s06_writing_cpu_has_no_ok", Scene::WritingCpu, std::nullopt, Scene::WritingCpu},
    {"s07_writing_dsp_has_no_ok", Scene::WritingDsp, std::nullopt, Scene::WritingDsp},
    {"s08_completed_ends", Scene::Completed, OkAction::EndProgram, Scene::Completed},
    {"s09_not_needed_ends", Scene::NotNeeded, OkAction::EndProgram, Scene::NotNeeded},
    {"s10_port_unavailable_retries", Scene::PortUnavailable, OkAction::Show, Scene::PortEntry},
    {"s11_no_answer_retries", Scene::NoAnswer, OkAction::Show, Scene::PortEntry},
    {"s12_cannot_update_ends", Scene::CannotUpdate, OkAction::EndProgram, Scene::CannotUpdate},
    {"s13_cpu_transfer_retries", Scene::CpuTransferFailed, OkAction::Show, Scene::PortEntry},
    {"s14_dsp_transfer_retries", Scene::DspTransferFailed, OkAction::Show, Scene::PortEntry},
    {"s15_cpu_failed_ends", Scene::CpuUpdateFailed, OkAction::EndProgram, Scene::CpuUpdateFailed},
    {"s16_dsp_failed_ends", Scene::DspUpdateFailed, OkAction::EndProgram, Scene::DspUpdateFailed},
};

class OkScenes : public testing::TestWithParam<OkCase> {};

TEST_P(OkScenes, ActionAndNextScene)
{
    const OkCase& c = GetParam();
    const OkSceneRow* row = FindOkScene(c.scene);
    if (!c.action) {
        EXPECT_EQ(row, nullptr);
        return;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->scene, c.scene);
    EXPECT_EQ(row->action, *c.action);
    EXPECT_EQ(row->next, c.next);
}

INSTANTIATE_TEST_SUITE_P(Rules, OkScenes, testing::ValuesIn(OkCases),
                         [](const testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST(Rules, OkOutsideTheSceneTableDoesNothing)
{
    EXPECT_EQ(FindOkScene(static_cast<Scene>(SceneCount)), nullptr);
    EXPECT_EQ(FindOkScene(static_cast<Scene>(-1)), nullptr);
}

struct CloseCase {
    const char* name;
    Scene scene;
    bool canClose;
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

const CloseCase CloseCases[] = {
    {"s00_opening", Scene::Opening, true},
    {"s01_port_entry", Scene::PortEntry, true},
    {"s02_connecting", Scene::Connecting, true},
    {"s03_confirm_downgrade", Scene::ConfirmDowngrade, true},
    {"s04_confirm_update", Scene::ConfirmUpdate, true},
    {"s05_connecting_to_write", Scene::ConnectingToWrite, true},
    {"s06_writing_cpu_refuses", Scene::WritingCpu, false},
    {"s07_writing_dsp_refuses", Scene::WritingDsp, false},
    {"s08_completed", Scene::Completed, true},
    {"s09_not_needed", Scene::NotNeeded, true},
    {"s10_port_unavailable", Scene::PortUnavailable, true},
    {"s11_no_answer", Scene::NoAnswer, true},
    {"s12_cannot_update", Scene::CannotUpdate, true},
    {"s13_cpu_transfer_failed", Scene::CpuTransferFailed, true},
    {"s14_dsp_transfer_failed", Scene::DspTransferFailed, true},
    {"s15_cpu_update_failed", Scene::CpuUpdateFailed, true},
    {"s16_dsp_update_failed", Scene::DspUpdateFailed, true},
};

class CloseRule : public testing::TestWithParam<CloseCase> {};

TEST_P(CloseRule, RefusedOnlyWhileWriting)
{
    EXPECT_EQ(CanClose(GetParam().scene), GetParam().canClose);
}

INSTANTIATE_TEST_SUITE_P(Rules, CloseRule, testing::ValuesIn(CloseCases),
                         [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

// A request to end in each scene: honoured at once where the program may
// close; otherwise remembered until a scene that ends the update (its
// outcome) is shown, and never at the change from one processor to the other.
struct EndCase {
    const char* name;
    Scene scene;
    bool endsNow;     // the request is honoured when it arrives here
    bool endsUpdate;  // a remembered request is honoured once this is shown
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

const EndCase EndCases[] = {
    {"s00_opening", Scene::Opening, true, false},
    {"s01_port_entry", Scene::PortEntry, true, false},
    {"s02_connecting", Scene::Connecting, true, false},
    {"s03_confirm_downgrade", Scene::ConfirmDowngrade, true, false},
    {"s04_confirm_update", Scene::ConfirmUpdate, true, false},
    {"s05_connecting_to_write", Scene::ConnectingToWrite, true, false},
    {"s06_writing_cpu_remembers", Scene::WritingCpu, false, false},
    {"s07_writing_dsp_remembers", Scene::WritingDsp, false, false},
    {"s08_completed", Scene::Completed, true, true},
    {"s09_not_needed", Scene::NotNeeded, true, true},
    {"s10_port_unavailable", Scene::PortUnavailable, true, true},
    {"s11_no_answer", Scene::NoAnswer, true, true},
    {"s12_cannot_update", Scene::CannotUpdate, true, true},
    {"s13_cpu_transfer_failed", Scene::CpuTransferFailed, true, true},
    {"s14_dsp_transfer_failed", Scene::DspTransferFailed, true, true},
    {"s15_cpu_update_failed", Scene::CpuUpdateFailed, true, true},
    {"s16_dsp_update_failed", Scene::DspUpdateFailed, true, true},
};

class EndRule : public testing::TestWithParam<EndCase> {};

TEST_P(EndRule, ArrivingHere)
{
    EndRequest request;
    EXPECT_EQ(request.Arrive(GetParam().scene), GetParam().endsNow);
    EXPECT_EQ(request.Remembered(), !GetParam().endsNow);
    // Nothing remembered: no scene ends the program by itself.
    EndRequest none;
    EXPECT_FALSE(none.DueAt(GetParam().scene));
}

TEST_P(EndRule, RememberedDuringTheWriting)
{
    for (Scene writing : {Scene::WritingCpu, Scene::WritingDsp}) {
        EndRequest request;
        ASSERT_FALSE(request.Arrive(writing));
        EXPECT_EQ(request.DueAt(GetParam().scene), GetParam().endsUpdate);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, EndRule, testing::ValuesIn(EndCases),
                         [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(Rules, ClosingNoteSaysWhatComes)
{
    EXPECT_STREQ(ClosingNoteText(false), "The window can be closed once the writing has ended.");
    EXPECT_STREQ(ClosingNoteText(true), "The program ends by itself once the update has ended.");
}

} // namespace
