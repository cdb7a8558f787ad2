// The scene model on its own: what every scene shows, what each event, OK,
// Exit and a close request lead to, the title and the port box's text. Both
// windows draw what these functions decide.
#include "NoticeTable.h"
#include "SceneModel.h"
#include "Targets.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using enum Scene;
constexpr SceneControl B1 = SceneControl::Button1;
constexpr SceneControl B2 = SceneControl::Button2;
constexpr SceneControl None = SceneControl::None;

struct ViewCase {
    const char* name;
    Scene scene;
    int lines;
    const char* firstLine;
    const char* caption1;
    const char* caption2;
    bool button1, button2, progress, portBox;
    SceneControl focus;
    SceneControl enterDefault;
    bool closeRefused;
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }

const char* const Caution = "                                                 === CAUTION ===";

const ViewCase ViewCases[] = {
    //  name                    scene              n  first line                                   c1       c2        b1 b2 prog port  focus enter refused
    {"s00_opening_card",        Opening,           10, Caution,                                    "Yes",   "No",     1, 1, 0, 0, B2, None, false},
    {"s01_port_entry",          PortEntry,         3, "Connect the RX-77 and the PC using with",   "OK",    "Cancel", 1, 1, 0, 1, B2, B1, false},
    {"s02_connecting",          Connecting,        1, "Connecting to the RX-77.",                  "",      "",       0, 0, 0, 0, None, None, false},
    {"s03_downgrade",           ConfirmDowngrade,  3, "The currently installed RX-77's firmware",  "Yes",   "No",     1, 1, 0, 0, B2, B1, false},
    {"s04_confirm_update",      ConfirmUpdate,     4, "Updating the firmware. It will take",       "Yes",   "No",     1, 1, 1, 0, B2, B1, false},
    {"s05_connecting_to_write", ConnectingToWrite, 1, "Connecting to the RX-77.",                  "",      "",       0, 0, 1, 0, None, None, false},
    {"s06_writing_cpu",         WritingCpu,        3, "Updating the firmware in CPU.",             "",      "",       0, 0, 1, 0, None, None, true},
    {"s07_writing_dsp",         WritingDsp,        3, "Updating the firmware in DSP.",             "",      "",       0, 0, 1, 0, None, None, true},
    {"s08_completed",           Completed,         1, "Firmware updating is completed. ",          "OK",    "",       1, 0, 0, 0, B1, B1, false},
    {"s09_not_needed",          NotNeeded,         1, "This update is not needed.",                "OK",    "",       1, 0, 0, 0, B1, B1, false},
    {"s10_port_unavailable",    PortUnavailable,   6, "Cannot access COM port.",                   "Retry", "Cancel", 1, 1, 0, 0, B2, B1, false},
    {"s11_no_answer",           NoAnswer,          2, "No Answer form the RX-77.",                 "Retry", "Cancel", 1, 1, 0, 0, B2, B1, false},
    {"s12_cannot_update",       CannotUpdate,      1, "The connected RX-77 cannot update.",        "OK",    "",       1, 0, 0, 0, B1, B1, false},
    {"s13_cpu_transfer",        CpuTransferFailed, 2, "Cannot transfer the firmware of CPU.",      "Retry", "Cancel", 1, 1, 0, 0, B2, B1, false},
    {"s14_dsp_transfer",        DspTransferFailed, 2, "Cannot transfer the firmware of DSP.",      "Retry", "Cancel", 1, 1, 0, 0, B2, B1, false},
    {"s15_cpu_failed",          CpuUpdateFailed,   3, "Firmware of CPU updating failed.",          "OK",    "",       1, 0, 0, 0, B1, B1, false},
    {"s16_dsp_failed",          DspUpdateFailed,   3, "Firmware of DSP updating failed.",          "OK",    "",       1, 0, 0, 0, B1, B1, false},
};

class Views : public testing::TestWithParam<ViewCase> {};

TEST_P(Views, ShowWhatTheScenesSay)
{
    const ViewCase& c = GetParam();
    const SceneView view = MakeSceneView(c.scene);
    EXPECT_EQ(view.scene, c.scene);
    ASSERT_EQ(static_cast<int>(view.lines.size()), c.lines);
    EXPECT_EQ(view.lines.front().text.rfind(c.firstLine, 0), 0u) << view.lines.front().text;
    EXPECT_EQ(view.caption1, c.caption1);
    EXPECT_EQ(view.caption2, c.caption2);
    EXPECT_EQ(view.showButton1, c.button1);
    EXPECT_EQ(view.showButton2, c.button2);
    EXPECT_EQ(view.showProgress, c.progress);
    EXPECT_EQ(view.showPortBox, c.portBox);
    EXPECT_EQ(view.button1AtSecondPlace, !c.button2);
    EXPECT_EQ(view.focus, c.focus);
    EXPECT_EQ(view.enterDefault, c.enterDefault);
    EXPECT_EQ(view.closeRefused, c.closeRefused);
    for (const SceneLine& line : view.lines) {
        EXPECT_EQ(line.emphasis, line.color == NoticeRed) << line.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Model, Views, testing::ValuesIn(ViewCases),
                         [](const testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

TEST(Model, WarningsAreRedAndEmphasisedTheRestBlack)
{
    const SceneView view = MakeSceneView(ConfirmUpdate);
    ASSERT_EQ(view.lines.size(), 4u);
    EXPECT_EQ(view.lines[0].color, NoticeBlack);
    EXPECT_FALSE(view.lines[0].emphasis);
    EXPECT_EQ(view.lines[1].color, NoticeRed);
    EXPECT_TRUE(view.lines[1].emphasis);
    EXPECT_EQ(view.lines[2].color, NoticeBlack);
}

TEST(Model, SceneOutsideTheTableShowsNothing)
{
    const SceneView view = MakeSceneView(static_cast<Scene>(SceneCount));
    EXPECT_TRUE(view.lines.empty());
    EXPECT_FALSE(view.showButton1 || view.showButton2 || view.showProgress || view.showPortBox);
}

struct WriteTimeCase {
    int seconds;
    const char* line;
};

class WriteTimes : public testing::TestWithParam<WriteTimeCase> {};

TEST_P(WriteTimes, FillTheFirstLineOfSceneFour)
{
    const SceneView view = MakeSceneView(ConfirmUpdate, FactsFor(ConfirmUpdate, GetParam().seconds, nullptr));
    EXPECT_EQ(view.lines.front().text, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Model, WriteTimes,
                         testing::Values(WriteTimeCase {440, "Updating the firmware. It will take approx. 8 minutes."},
                                         WriteTimeCase {350, "Updating the firmware. It will take approx. 7 minutes."},
                                         WriteTimeCase {90, "Updating the firmware. It will take approx. 2 minutes."},
                                         WriteTimeCase {0, "Updating the firmware. It will take approx. 1 minute."},
                                         WriteTimeCase {-79, "Updating the firmware. It will take approx. 0 minutes."}));

TEST(Model, FactsGoOnlyToTheirScenes)
{
    int asked = 0;
    const auto cause = [&asked] {
        ++asked;
        return std::string("Cause: COM7 is open already.");
    };
    EXPECT_FALSE(FactsFor(PortEntry, 440, cause).writeTime);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(FactsFor(ConfirmUpdate, 440, cause).writeTime, "8");
    const SceneView unavailable = MakeSceneView(PortUnavailable, FactsFor(PortUnavailable, 440, cause));
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(unavailable.lines.size(), 7u);
    EXPECT_EQ(unavailable.lines.back().text, "Cause: COM7 is open already.");
    EXPECT_EQ(unavailable.lines.back().color, NoticeBlack);
    EXPECT_FALSE(unavailable.lines.back().notice);
    EXPECT_TRUE(unavailable.lines.front().notice);
    // Without a cause the checklist stands alone.
    EXPECT_EQ(MakeSceneView(PortUnavailable, FactsFor(PortUnavailable, 0, [] { return std::string(); })).lines.size(),
              6u);
    // Scene 4 without a write time keeps its placeholder.
    EXPECT_NE(MakeSceneView(ConfirmUpdate).lines.front().text.find("[%WRTIME%] minutes"), std::string::npos);
}

TEST(Model, TitleCarriesThePercentageWhileWriting)
{
    const std::string app = "RX-77NOVA Firm Update (Release E2)";
    EXPECT_EQ(WindowTitle(false, 128, app), app);
    EXPECT_EQ(WindowTitle(true, 0, app), "  0% - " + app);
    EXPECT_EQ(WindowTitle(true, 128, app), " 50% - " + app);
    EXPECT_EQ(WindowTitle(true, 255, app), "100% - " + app);
}

struct EventCase {
    const char* name;
    SeqEvent event;
    int target;
    std::optional<Scene> scene;
    bool beep;
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

const EventCase EventCases[] = {
    {"port_fails", SeqEvent::EvComOpen, TargetNone, PortUnavailable, true},
    {"boot_fails_on_cpu", SeqEvent::EvBoot, TargetCpu, CpuUpdateFailed, true},
    {"boot_fails_on_dsp", SeqEvent::EvBoot, TargetDsp, DspUpdateFailed, true},
    {"no_answer", SeqEvent::EvNoAnswer, TargetNone, NoAnswer, true},
    {"version_fails_on_dsp", SeqEvent::EvVersion, TargetDsp, DspTransferFailed, true},
    {"cannot_update", SeqEvent::EvCannotUpdate, TargetRefused, CannotUpdate, true},
    {"writing_cpu_quietly", SeqEvent::EvUpdatingCpu, TargetCpu, WritingCpu, false},
    {"confirm_quietly", SeqEvent::EvConfirmUpdate, TargetNone, ConfirmUpdate, false},
    {"completed", SeqEvent::EvCompleted, TargetDsp, Completed, false},
    {"not_needed", SeqEvent::EvCompleted, TargetNone, NotNeeded, false},
    {"refused_keeps_scene_twelve", SeqEvent::EvCompleted, TargetRefused, std::nullopt, false},
    {"no_event", SeqEvent::EvNone, TargetNone, std::nullopt, false},
};

class Events : public testing::TestWithParam<EventCase> {};

TEST_P(Events, LeadToTheirScenes)
{
    const EventOutcome outcome = OutcomeOfEvent(GetParam().event, GetParam().target);
    EXPECT_EQ(outcome.scene, GetParam().scene);
    EXPECT_EQ(outcome.beep, GetParam().beep);
}

INSTANTIATE_TEST_SUITE_P(Model, Events, testing::ValuesIn(EventCases),
                         [](const testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

struct OkCase {
    const char* name;
    Scene shown;
    bool canStart;
    const char* portText;
    OkStep step;
    Scene next;
    int port;
};

void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }

const OkCase OkCases[] = {
    {"port_7_with_blanks", PortEntry, true, " 7 ", OkStep::StartAtPort, Connecting, 7},
    {"port_07", PortEntry, true, "07", OkStep::StartAtPort, Connecting, 7},
    {"port_7x", PortEntry, true, "7x", OkStep::StartAtPort, Connecting, 7},
    {"port_256", PortEntry, true, "256", OkStep::StartAtPort, Connecting, 256},
    {"port_x7", PortEntry, true, "x7", OkStep::PortOutOfRange, PortEntry, 0},
    {"port_0", PortEntry, true, "0", OkStep::PortOutOfRange, PortEntry, 0},
    {"port_257", PortEntry, true, "257", OkStep::PortOutOfRange, PortEntry, 257},
    {"port_minus_3", PortEntry, true, "-3", OkStep::PortOutOfRange, PortEntry, -3},
    {"port_empty", PortEntry, true, "", OkStep::PortOutOfRange, PortEntry, 0},
    {"busy_sequencer_ignores_ok", PortEntry, false, "7", OkStep::Nothing, PortEntry, 0},
    {"downgrade_yes", ConfirmDowngrade, true, "", OkStep::Show, ConfirmUpdate, 0},
    {"update_yes", ConfirmUpdate, true, "", OkStep::Start, ConnectingToWrite, 0},
    {"retry", NoAnswer, true, "", OkStep::Show, PortEntry, 0},
    {"completed_ends", Completed, true, "", OkStep::EndProgram, Completed, 0},
    {"writing_has_no_ok", WritingCpu, true, "7", OkStep::Nothing, WritingCpu, 0},
};

class Oks : public testing::TestWithParam<OkCase> {};

TEST_P(Oks, DecideWhatOkDoes)
{
    const OkCase& c = GetParam();
    const OkDecision ok = DecideOk(c.shown, c.canStart, c.portText);
    EXPECT_EQ(ok.step, c.step);
    EXPECT_EQ(ok.next, c.next);
    if (c.step == OkStep::StartAtPort || c.step == OkStep::PortOutOfRange) {
        EXPECT_EQ(ok.port, c.port);
    }
}

INSTANTIATE_TEST_SUITE_P(Model, Oks, testing::ValuesIn(OkCases),
                         [](const testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST(Model, ExitSendsTheExitCommandOnlyAtTheQuestions)
{
    for (int i = 0; i < SceneCount; ++i) {
        const Scene scene = static_cast<Scene>(i);
        EXPECT_EQ(ExitSendsExitCommand(scene), scene == ConfirmDowngrade || scene == ConfirmUpdate) << i;
    }
}

TEST(Model, CloseIsRefusedWhileWritingWithTheWarningSound)
{
    for (int i = 0; i < SceneCount; ++i) {
        const Scene scene = static_cast<Scene>(i);
        const bool writingScene = scene == WritingCpu || scene == WritingDsp;
        EXPECT_EQ(DecideClose(scene, false).refused, writingScene) << i;
        EXPECT_EQ(DecideClose(scene, false).beep, writingScene) << i;
        // A processor being written refuses whatever the scene says.
        EXPECT_TRUE(DecideClose(scene, true).refused) << i;
    }
}

TEST(Model, PortBoxOffersTheFirstPortOrOneThenTheNumberUsed)
{
    EXPECT_TRUE(PortBoxWantsList(""));
    EXPECT_FALSE(PortBoxWantsList("3"));
    EXPECT_EQ(PortBoxText("", {"3", "10"}, 1), "3");
    EXPECT_EQ(PortBoxText("", {}, 1), "1");
    // After Retry: the number of the failed attempt, not the list's first.
    EXPECT_EQ(PortBoxText("3", {"3", "10"}, 10), "10");
}

} // namespace
