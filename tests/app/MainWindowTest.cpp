#include "MainWindowFixture.h"
#include "SeqEvents.h"
#include "Targets.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>

#include <optional>
#include <vector>

namespace {

using enum SeqEvent;

const QString AppTitle = QStringLiteral("RX-77NOVA Firm Update (Release E2)");

class MainWindow : public WindowsFixture {
protected:
    void SetUp() override
    {
        WindowsFixture::SetUp();
        ports.AddPty(1);
        Create(false);
    }

    // A scene reached the way the user and the sequencer get there.
    void Reach(Scene scene)
    {
        OpenMain();
        Tick();  // the sequencer comes to rest: it can start
        ReachFromThePortScreen(scene);
        beeps = 0;
    }
};

TEST_F(MainWindow, LayoutFollowsTheCatalogueSize)
{
    // 440 x 200 outside; a 3-pixel border and a 19-pixel caption leave 434 x 175.
    EXPECT_EQ(form->size(), QSize(434, 175));
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("Panel1"))->geometry(), QRect(3, 31, 428, 141));
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("Panel_Main"))->geometry(), QRect(4, 32, 426, 139));
    EXPECT_EQ(Bar()->geometry(), QRect(10, 87, 406, 16));  // 139 - 2.5 * 16 - 12
    EXPECT_EQ(Bar()->maximum(), 255);
    // W = 406 / 5 = 81, H = 24, top = 139 - 24 - 2.
    EXPECT_EQ(form->OkHome(), QRect(249, 113, 81, 24));
    EXPECT_EQ(form->ExitHome(), QRect(334, 113, 81, 24));
    EXPECT_EQ(Ok()->geometry(), QRect(249, 113, 81, 24));
    EXPECT_EQ(Exit()->geometry(), QRect(334, 113, 81, 24));
    EXPECT_EQ(Message()->geometry(), QRect(10, 10, 406, 113));
    EXPECT_EQ(PortBox()->width(), QFontMetrics(form->font()).horizontalAdvance(QStringLiteral("2555WWWWW")));
    EXPECT_EQ(PortBox()->lineEdit()->maxLength(), 4);
    EXPECT_EQ(PortBox()->parentWidget(), form);
    EXPECT_TRUE(PortBox()->currentText().isEmpty());
    EXPECT_EQ(form->windowTitle(), AppTitle);
    EXPECT_EQ(form->CurrentScene(), Scene::Opening);
    EXPECT_FALSE(Message()->isEnabled());
    EXPECT_TRUE(Message()->isReadOnly());
    EXPECT_EQ(Message()->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindow, CardIsCentredWithButtonsTenApart)
{
    EXPECT_EQ(card->size(), QSize(412, 442));
    EXPECT_EQ(card->windowTitle(), AppTitle);
    EXPECT_EQ(Yes()->geometry(), QRect(126, 403, 75, 25));     // 206 - 75 - 5
    EXPECT_EQ(No()->geometry(), QRect(211, 403, 75, 25));      // 206 + 5
    EXPECT_FALSE(Caution()->isEnabled());
    EXPECT_TRUE(card->windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(MainWindow, CardShowsSceneZeroWithTheFocusOnNo)
{
    card->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(card));
    const std::vector<ShownLine> lines = ShownLines(Caution());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(ColourPattern(lines), "rrbbbbbrbb");
    EXPECT_EQ(Yes()->text(), QStringLiteral("Yes"));
    EXPECT_EQ(No()->text(), QStringLiteral("No"));
    EXPECT_EQ(card->focusWidget(), No());
}

TEST_F(MainWindow, YesHidesTheCardAndShowsSceneOne)
{
    OpenMain();
    EXPECT_FALSE(card->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->CurrentScene(), Scene::PortEntry);
    EXPECT_EQ(ShownLines(Message()).front().text.left(17), QStringLiteral("Connect the RX-77"));
    EXPECT_EQ(PortBox()->currentText(), QStringLiteral("1"));  // the only port there is
    EXPECT_EQ(EndCount(), 0);
}

struct DeclineCase {
    const char* name;
    int key;  // 0: click "No"
};

void PrintTo(const DeclineCase& c, std::ostream* os) { *os << c.name; }

class Decline : public MainWindow, public testing::WithParamInterface<DeclineCase> {};

TEST_P(Decline, EndsTheProgram)
{
    card->show();
    card->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(card));
    if (GetParam().key == 0) {
        No()->click();
    } else {
        QTest::keyClick(card, static_cast<Qt::Key>(GetParam().key));
    }
    EXPECT_EQ(EndCount(), 1);
    EXPECT_FALSE(card->isVisible());
    EXPECT_FALSE(form->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Card, Decline,
                         testing::Values(DeclineCase{"no_button", 0}, DeclineCase{"escape", Qt::Key_Escape},
                                         DeclineCase{"enter_on_the_focused_no", Qt::Key_Return}),
                         [](const testing::TestParamInfo<DeclineCase>& info) { return std::string(info.param.name); });

// What the OK and Exit buttons and a close request do in each scene.
struct TransitionCase {
    const char* name;
    Scene scene;
    std::optional<Scene> afterOk;  // empty: the program ends
    bool exitCommand;              // Exit sends the radio its exit command first
    bool closeEnds;                // Exit or a close request ends the program (never while writing)
};

void PrintTo(const TransitionCase& c, std::ostream* os) { *os << c.name; }

constexpr std::optional<Scene> Ends = std::nullopt;

const TransitionCase TransitionCases[] = {
    {"s01_connect", Scene::PortEntry, Scene::Connecting, false, true},
    {"s02_connecting", Scene::Connecting, Scene::Connecting, false, true},
    {"s03_downgrade", Scene::ConfirmDowngrade, Scene::ConfirmUpdate, true, true},
    {"s04_confirm", Scene::ConfirmUpdate, Scene::ConnectingToWrite, true, true},
    {"s05_connecting", Scene::ConnectingToWrite, Scene::ConnectingToWrite, false, true},
    {"s06_writing_cpu", Scene::WritingCpu, Scene::WritingCpu, false, false},
    {"s07_writing_dsp", Scene::WritingDsp, Scene::WritingDsp, false, false},
    {"s08_completed", Scene::Completed, Ends, false, true},
    {"s09_not_needed", Scene::NotNeeded, Ends, false, true},
    {"s10_no_port", Scene::PortUnavailable, Scene::PortEntry, false, true},
    {"s11_no_answer", Scene::NoAnswer, Scene::PortEntry, false, true},
    {"s12_cannot_update", Scene::CannotUpdate, Ends, false, true},
    {"s13_cpu_transfer", Scene::CpuTransferFailed, Scene::PortEntry, false, true},
    {"s14_dsp_transfer", Scene::DspTransferFailed, Scene::PortEntry, false, true},
    {"s15_cpu_failed", Scene::CpuUpdateFailed, Ends, false, true},
    {"s16_dsp_failed", Scene::DspUpdateFailed, Ends, false, true},
};

class Transitions : public MainWindow, public testing::WithParamInterface<TransitionCase> {};

TEST_P(Transitions, OkButton)
{
    const TransitionCase& c = GetParam();
    Reach(c.scene);
    ASSERT_EQ(form->CurrentScene(), c.scene);
    form->Button_StartClick();
    if (!c.afterOk) {
        EXPECT_EQ(EndCount(), 1);
        return;
    }
    EXPECT_EQ(EndCount(), 0);
    EXPECT_EQ(form->CurrentScene(), *c.afterOk);
    EXPECT_TRUE(boxes.empty());
}

TEST_P(Transitions, ExitButton)
{
    const TransitionCase& c = GetParam();
    Reach(c.scene);
    ports.Drain(1);
    form->Button_ExitClick();
    EXPECT_EQ(EndCount(), c.closeEnds ? 1 : 0);
    const std::vector<unsigned char> exitCommand{0x33, 0x90, 0x82, 0x83};
    std::vector<unsigned char> sent;
    // Where none is due, a short look that nothing comes.
    (void)QTest::qWaitFor(
        [&] {
            const std::vector<unsigned char> more = ports.Drain(1);
            sent.insert(sent.end(), more.begin(), more.end());
            return sent.size() >= exitCommand.size();
        },
        c.exitCommand ? 10000 : 100);
    EXPECT_EQ(sent, c.exitCommand ? exitCommand : std::vector<unsigned char>{});
}

TEST_P(Transitions, CloseRequest)
{
    const TransitionCase& c = GetParam();
    Reach(c.scene);
    form->close();
    EXPECT_EQ(EndCount(), c.closeEnds ? 1 : 0);
    if (!c.closeEnds) {
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->CurrentScene(), c.scene);
        // The system's close request to the (hidden) card is refused as well.
        EXPECT_FALSE(card->close());
        EXPECT_EQ(EndCount(), 0);
        EXPECT_TRUE(form->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(Main, Transitions, testing::ValuesIn(TransitionCases),
                         [](const testing::TestParamInfo<TransitionCase>& info) { return std::string(info.param.name); });

// The port box's text on OK in scene 1.
struct PortCase {
    const char* name;
    const char* text;
    int port;  // 0: refused
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class PortText : public MainWindow, public testing::WithParamInterface<PortCase> {};

TEST_P(PortText, IsAcceptedOrRefused)
{
    const PortCase& c = GetParam();
    Reach(Scene::PortEntry);
    PortBox()->setEditText(QString::fromLatin1(c.text));
    form->Button_StartClick();
    if (c.port != 0) {
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(form->CurrentScene(), Scene::Connecting);
        EXPECT_EQ(form->Sequencer().GetPort(), c.port);
        return;
    }
    EXPECT_EQ(form->CurrentScene(), Scene::PortEntry);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("The numerical value is outside the range."));
    EXPECT_EQ(boxes[0].caption, AppTitle);
    EXPECT_EQ(boxes[0].style, MsgIconError | MsgOk);
    QWidget* focus = form->focusWidget();
    EXPECT_TRUE(focus == PortBox() || focus == PortBox()->lineEdit());
    EXPECT_TRUE(form->Sequencer().CanStart());  // not started
}

INSTANTIATE_TEST_SUITE_P(Main, PortText,
                         testing::Values(PortCase{"blanks_around", " 7 ", 7}, PortCase{"leading_zero", "07", 7},
                                         PortCase{"trailing_letter", "7x", 7}, PortCase{"plus_sign", "+9", 9},
                                         PortCase{"lowest", "1", 1}, PortCase{"highest", "256", 256},
                                         PortCase{"leading_letter", "x7", 0}, PortCase{"zero", "0", 0},
                                         PortCase{"above_range", "257", 0}, PortCase{"negative", "-3", 0},
                                         PortCase{"empty", "", 0}, PortCase{"blanks_only", "  ", 0}),
                         [](const testing::TestParamInfo<PortCase>& info) { return std::string(info.param.name); });

// Event codes and the scenes they lead to, with the critical-stop sound.
struct EventCase {
    const char* name;
    int code;
    int target;
    Scene scene;  // PortEntry: unchanged (the test starts there)
    bool beep;
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

const EventCase EventCases[] = {
    {"com_open", 3, TargetNone, Scene::PortUnavailable, true},
    {"boot_cpu", 4, TargetCpu, Scene::CpuUpdateFailed, true},
    {"boot_dsp", 4, TargetDsp, Scene::DspUpdateFailed, true},
    {"boot_none", 4, TargetNone, Scene::CpuUpdateFailed, true},
    {"no_answer", 5, TargetNone, Scene::NoAnswer, true},
    {"handshake_cpu", 6, TargetCpu, Scene::CpuUpdateFailed, true},
    {"handshake_dsp", 6, TargetDsp, Scene::DspUpdateFailed, true},
    {"firm_upload_cpu", 7, TargetCpu, Scene::CpuUpdateFailed, true},
    {"firm_upload_dsp", 7, TargetDsp, Scene::DspUpdateFailed, true},
    {"sys_start_cpu", 8, TargetCpu, Scene::CpuUpdateFailed, true},
    {"rom_data_cpu", 9, TargetCpu, Scene::CpuUpdateFailed, true},
    {"rom_data_dsp", 9, TargetDsp, Scene::DspUpdateFailed, true},
    {"code_10_changes_nothing", 10, TargetCpu, Scene::PortEntry, false},
    {"code_11_changes_nothing", 11, TargetCpu, Scene::PortEntry, false},
    {"unknown", 12, TargetCpu, Scene::NoAnswer, true},
    {"model_cpu", 13, TargetCpu, Scene::CpuUpdateFailed, true},
    {"model_dsp", 13, TargetDsp, Scene::DspUpdateFailed, true},
    {"version_cpu", 14, TargetCpu, Scene::CpuTransferFailed, true},
    {"version_dsp", 14, TargetDsp, Scene::DspTransferFailed, true},
    {"version_none", 14, TargetNone, Scene::CpuTransferFailed, true},
    {"version_answer_cpu", 15, TargetCpu, Scene::CpuUpdateFailed, true},
    {"version_answer_dsp", 15, TargetDsp, Scene::DspUpdateFailed, true},
    {"cannot_update", 16, TargetRefused, Scene::CannotUpdate, true},
    {"updating_cpu", 17, TargetCpu, Scene::WritingCpu, false},
    {"updating_dsp", 18, TargetDsp, Scene::WritingDsp, false},
    {"confirm_update", 19, TargetNone, Scene::ConfirmUpdate, false},
    {"confirm_downgrade", 20, TargetNone, Scene::ConfirmDowngrade, false},
    {"completed_none", 21, TargetNone, Scene::NotNeeded, false},
    {"completed_cpu", 21, TargetCpu, Scene::Completed, false},
    {"completed_dsp", 21, TargetDsp, Scene::Completed, false},
    {"completed_refused_keeps_scene", 21, TargetRefused, Scene::PortEntry, false},
    {"code_1_changes_nothing", 1, TargetNone, Scene::PortEntry, false},
    {"code_22_changes_nothing", 22, TargetNone, Scene::PortEntry, false},
    {"negative_changes_nothing", -5, TargetNone, Scene::PortEntry, false},
};

class Events : public MainWindow, public testing::WithParamInterface<EventCase> {};

TEST_P(Events, LeadToTheirScene)
{
    const EventCase& c = GetParam();
    Reach(Scene::PortEntry);
    const QString before = ShownLines(Message()).front().text;
    form->HandleEvent(static_cast<SeqEvent>(c.code), c.target);  // by number, as the codes are fixed
    EXPECT_EQ(form->CurrentScene(), c.scene);
    EXPECT_EQ(beeps, c.beep ? 1 : 0);
    if (c.scene == Scene::PortEntry) {
        EXPECT_EQ(ShownLines(Message()).front().text, before);  // not drawn again
    }
}

INSTANTIATE_TEST_SUITE_P(Main, Events, testing::ValuesIn(EventCases),
                         [](const testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindow, CompletedForARefusedRadioLeavesSceneTwelve)
{
    Reach(Scene::CannotUpdate);
    form->HandleEvent(EvCompleted, TargetRefused);
    EXPECT_EQ(form->CurrentScene(), Scene::CannotUpdate);
    EXPECT_EQ(beeps, 0);
}

struct WriteTimeCase {
    const char* name;
    int seconds;
    const char* minutes;
};

void PrintTo(const WriteTimeCase& c, std::ostream* os) { *os << c.name; }

class WriteTimeText : public testing::TestWithParam<WriteTimeCase> {};

TEST_P(WriteTimeText, RoundsUpFromTwentySeconds)
{
    EXPECT_EQ(TForm1::WriteTimeText(GetParam().seconds), GetParam().minutes);
}

INSTANTIATE_TEST_SUITE_P(Main, WriteTimeText,
                         testing::Values(WriteTimeCase{"cpu_and_dsp_440", 440, "8"}, WriteTimeCase{"cpu_350", 350, "7"},
                                         WriteTimeCase{"dsp_90", 90, "2"}, WriteTimeCase{"zero", 0, "1"},
                                         WriteTimeCase{"just_below_two", 40, "1"}, WriteTimeCase{"two", 41, "2"}),
                         [](const testing::TestParamInfo<WriteTimeCase>& info) { return std::string(info.param.name); });

struct TitleCase {
    const char* name;
    bool inProgress;
    int position;
    const char* title;
};

void PrintTo(const TitleCase& c, std::ostream* os) { *os << c.name; }

class Title : public testing::TestWithParam<TitleCase> {};

TEST_P(Title, ShowsThePercentageWhileWriting)
{
    const TitleCase& c = GetParam();
    EXPECT_EQ(TForm1::ProgressTitle(c.inProgress, c.position, "RX-77NOVA Firm Update (Release E2)").toStdString(),
              c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Main, Title,
    testing::Values(TitleCase{"half", true, 128, " 50% - RX-77NOVA Firm Update (Release E2)"},
                    TitleCase{"full", true, 255, "100% - RX-77NOVA Firm Update (Release E2)"},
                    TitleCase{"start", true, 0, "  0% - RX-77NOVA Firm Update (Release E2)"},
                    TitleCase{"one_below_full", true, 254, " 99% - RX-77NOVA Firm Update (Release E2)"},
                    TitleCase{"not_writing", false, 128, "RX-77NOVA Firm Update (Release E2)"}),
    [](const testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindow, TickEnablesOkExactlyWhenTheSequencerCanStart)
{
    Reach(Scene::PortEntry);
    EXPECT_TRUE(Ok()->isEnabled());
    PortBox()->setEditText(QStringLiteral("5"));
    form->Button_StartClick();  // started: no longer able to start
    Tick();
    EXPECT_FALSE(form->Sequencer().CanStart());
    EXPECT_FALSE(Ok()->isEnabled());
    EXPECT_EQ(form->windowTitle(), AppTitle);  // not writing
}

TEST_F(MainWindow, RetryShowsThePortOfTheFailedAttempt)
{
    Reach(Scene::PortEntry);
    EXPECT_EQ(PortBox()->currentText(), QStringLiteral("1"));
    PortBox()->setEditText(QStringLiteral("7"));  // no such port in the folder
    form->Button_StartClick();
    ASSERT_EQ(form->CurrentScene(), Scene::Connecting);
    ASSERT_TRUE(TickUntilScene(Scene::PortUnavailable, 10000));
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(ShownLines(Message()).front().text, QStringLiteral("Cannot access COM port."));
    Tick();
    form->Button_StartClick();  // Retry
    EXPECT_EQ(form->CurrentScene(), Scene::PortEntry);
    EXPECT_EQ(PortBox()->currentText(), QStringLiteral("7"));
}

TEST_F(MainWindow, EnterInThePortBoxPressesOk)
{
    Reach(Scene::PortEntry);
    PortBox()->setFocus();
    PortBox()->lineEdit()->selectAll();
    QTest::keyClicks(PortBox()->lineEdit(), QStringLiteral("1"));
    QTest::keyClick(PortBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(form->CurrentScene(), Scene::Connecting);
    EXPECT_EQ(form->Sequencer().GetPort(), 1);
}

TEST_F(MainWindow, EscapeDoesNothingInTheMainWindow)
{
    Reach(Scene::ConfirmDowngrade);
    QTest::keyClick(form, Qt::Key_Escape);
    QTest::keyClick(Exit(), Qt::Key_Escape);
    EXPECT_EQ(form->CurrentScene(), Scene::ConfirmDowngrade);
    EXPECT_EQ(EndCount(), 0);
}

TEST_F(MainWindow, TypedPortBoxLimitsToFourCharacters)
{
    Reach(Scene::PortEntry);
    PortBox()->setFocus();
    PortBox()->lineEdit()->selectAll();
    QTest::keyClicks(PortBox()->lineEdit(), QStringLiteral("123456"));
    EXPECT_EQ(PortBox()->currentText(), QStringLiteral("1234"));
}

TEST_F(MainWindow, DropDownRefillsTheListAndKeepsTheTypedText)
{
    Reach(Scene::PortEntry);
    ASSERT_EQ(PortBox()->count(), 1);
    ports.AddPty(12);
    PortBox()->setEditText(QStringLiteral("99"));
    PortBox()->showPopup();
    PortBox()->hidePopup();
    ASSERT_EQ(PortBox()->count(), 2);
    EXPECT_EQ(PortBox()->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(PortBox()->itemText(1), QStringLiteral("12"));
    EXPECT_EQ(PortBox()->currentText(), QStringLiteral("99"));
}

} // namespace
