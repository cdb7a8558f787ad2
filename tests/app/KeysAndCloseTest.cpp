// What Enter presses and what it shows, the port box's Enter, and a close
// request refused while a processor is written.
#include "ExitStatus.h"
#include "MainWindowFixture.h"
#include "Platform.h"
#include "WriteOutcome.h"
#include "SeqEvents.h"
#include "Targets.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QWindow>

namespace {

using enum SeqEvent;

class KeysAndClose : public WindowsFixture {
protected:
    void SetUp() override
    {
        WindowsFixture::SetUp();
        ports.AddPty(1);
        Create(false);
    }

    // The focus is drawn on button: it has the focus, and the window shows
    // focus the way a keyboard user sees it.
    static bool FocusShown(const QPushButton* button)
    {
        QStyleOptionButton option;
        option.initFrom(button);
        return option.state.testFlag(QStyle::State_HasFocus)
            && option.state.testFlag(QStyle::State_KeyboardFocusChange);
    }

    QLabel* ClosingNote() const { return form->findChild<QLabel*>(QStringLiteral("lblClosing")); }
};

// In every two-button scene the focus stays on the second button; the
// default look is on it, since Enter presses it, and the focus is shown.
struct FocusCase {
    const char* name;
    SeqEvent code;  // EvNone: the main window's first scene
};

void PrintTo(const FocusCase& c, std::ostream* os) { *os << c.name; }

class DefaultLook : public KeysAndClose, public testing::WithParamInterface<FocusCase> {};

TEST_P(DefaultLook, IsOnTheButtonThatEnterPresses)
{
    OpenMain();
    Tick();
    if (GetParam().code != EvNone) {
        form->HandleEvent(GetParam().code, TargetCpu);
    }
    ASSERT_TRUE(Exit()->hasFocus());
    EXPECT_TRUE(Exit()->isDefault());
    EXPECT_FALSE(Ok()->isDefault());
    EXPECT_TRUE(FocusShown(Exit()));
}

INSTANTIATE_TEST_SUITE_P(Ui, DefaultLook,
                         testing::Values(FocusCase {"port_entry", EvNone},
                                         FocusCase {"downgrade_question", EvConfirmDowngrade},
                                         FocusCase {"write_question", EvConfirmUpdate},
                                         FocusCase {"port_unavailable", EvComOpen},
                                         FocusCase {"no_answer", EvNoAnswer},
                                         FocusCase {"transfer_failed", EvVersion}),
                         [](const testing::TestParamInfo<FocusCase>& info) { return std::string(info.param.name); });

TEST_F(KeysAndClose, SingleButtonScenesShowTheLookOnOk)
{
    OpenMain();
    Tick();
    form->HandleEvent(EvCompleted, TargetCpu);
    ASSERT_TRUE(Ok()->hasFocus());
    EXPECT_TRUE(Ok()->isDefault());
    EXPECT_FALSE(Exit()->isDefault());
    EXPECT_TRUE(FocusShown(Ok()));
}

TEST_F(KeysAndClose, CardShowsTheLookOnNo)
{
    card->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(card));
    card->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(card));
    ASSERT_TRUE(No()->hasFocus());
    EXPECT_TRUE(No()->isDefault());
    EXPECT_FALSE(Yes()->isDefault());
    EXPECT_TRUE(FocusShown(No()));

    // The look follows the focus.
    Yes()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Yes()->isDefault());
    EXPECT_FALSE(No()->isDefault());
}

TEST_F(KeysAndClose, FocusInThePortBoxPutsTheLookOnOk)
{
    OpenMain();
    Tick();
    PortBox()->lineEdit()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Ok()->isDefault());
    EXPECT_FALSE(Exit()->isDefault());

    Exit()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Exit()->isDefault());
    EXPECT_FALSE(Ok()->isDefault());
}

// Enter on the focused Cancel presses Cancel, once: the program ends.
TEST_F(KeysAndClose, EnterOnTheFocusedCancelEndsTheProgram)
{
    OpenMain();
    Tick();
    QTest::keyClick(Exit(), Qt::Key_Return);
    EXPECT_EQ(EndCount(), 1);
    EXPECT_TRUE(boxes.empty());
}

// Enter in the port box with a number outside 1 to 256 tells the user once.
struct BadPortCase {
    const char* name;
    const char* typed;
};

void PrintTo(const BadPortCase& c, std::ostream* os) { *os << c.name; }

class EnterInPortBox : public KeysAndClose, public testing::WithParamInterface<BadPortCase> {};

TEST_P(EnterInPortBox, ShowsTheErrorBoxOnce)
{
    OpenMain();
    Tick();
    QLineEdit* edit = PortBox()->lineEdit();
    edit->setFocus(Qt::TabFocusReason);
    edit->clear();
    QTest::keyClicks(edit, QString::fromLatin1(GetParam().typed));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("The numerical value is outside the range."));
    EXPECT_EQ(form->CurrentScene(), Scene::PortEntry);
    EXPECT_EQ(EndCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ui, EnterInPortBox,
                         testing::Values(BadPortCase {"zero", "0"}, BadPortCase {"too_high", "300"},
                                         BadPortCase {"letters", "abc"}),
                         [](const testing::TestParamInfo<BadPortCase>& info) { return std::string(info.param.name); });

TEST_F(KeysAndClose, EnterInThePortBoxWithAValidNumberStartsOnce)
{
    OpenMain();
    Tick();
    QLineEdit* edit = PortBox()->lineEdit();
    edit->setFocus(Qt::TabFocusReason);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->CurrentScene(), Scene::Connecting);
    EXPECT_EQ(form->Sequencer().GetPort(), 1);
}

// A close refused while a processor is written: the warning sound and a
// line on the window that says what is true; both windows stay; the line
// goes with the writing. A close asked for in the windows is forgotten (the
// outcome waits for OK); a request to end from outside them (a termination
// signal, the session's logout) is remembered and ends the program at the
// outcome, with its status and its line on standard error.
enum class CloseBy {
    Window,       // the window's close button
    Card,         // the card asked to close
    SessionSave,  // the session asks to save before logging out
    Termination   // a termination signal (SIGTERM, SIGHUP, SIGINT, SIGQUIT)
};

struct RefusedCloseCase {
    const char* name;
    SeqEvent code;
    int target;
    CloseBy by;
    SeqEvent outcome;  // what ends the writing
};

void PrintTo(const RefusedCloseCase& c, std::ostream* os) { *os << c.name; }

class RefusedClose : public KeysAndClose, public testing::WithParamInterface<RefusedCloseCase> {
protected:
    bool Remembered() const { return GetParam().by == CloseBy::SessionSave || GetParam().by == CloseBy::Termination; }
};

constexpr const char* ClosableLater = "The window can be closed once the writing has ended.";
constexpr const char* EndsLater = "The program ends by itself once the update has ended.";

TEST_P(RefusedClose, SoundsAndSaysWhatIsTrue)
{
    OpenMain();
    Tick();
    form->HandleEvent(GetParam().code, GetParam().target);
    beeps = 0;
    ASSERT_FALSE(ClosingNote()->isVisible());

    switch (GetParam().by) {
    case CloseBy::Window: EXPECT_FALSE(form->close()); break;
    case CloseBy::Card: EXPECT_FALSE(card->RequestClose()); break;
    case CloseBy::SessionSave: EXPECT_TRUE(form->RefuseSessionEnd()); break;
    case CloseBy::Termination: EXPECT_FALSE(form->RequestEnd()); break;
    }
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(ClosingNote()->isVisible());
    EXPECT_EQ(ClosingNote()->text(), QString::fromLatin1(Remembered() ? EndsLater : ClosableLater));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(EndCount(), 0);
    // The line lies inside the window, clear of the panel with the scene.
    const QRect panel = form->findChild<QWidget*>(QStringLiteral("Panel1"))->geometry();
    EXPECT_TRUE(form->rect().contains(ClosingNote()->geometry()));
    EXPECT_FALSE(ClosingNote()->geometry().intersects(panel));
    EXPECT_GE(ClosingNote()->height(), ClosingNote()->sizeHint().height());
    EXPECT_GE(ClosingNote()->width(), ClosingNote()->sizeHint().width());

    // A second request while writing is refused the same way.
    if (GetParam().by == CloseBy::Termination) {
        EXPECT_FALSE(form->RequestEnd());
        EXPECT_EQ(EndCount(), 0);
    }

    form->HandleEvent(GetParam().outcome, GetParam().target);
    EXPECT_FALSE(ClosingNote()->isVisible());
    const WriteOutcome outcome = OutcomeOfWrite(GetParam().outcome, GetParam().target);
    if (Remembered()) {
        EXPECT_EQ(EndCount(), 1) << "the outcome waited for OK";
        EXPECT_EQ(form->EndStatus(), outcome.status);
        EXPECT_EQ(form->EndStatus(), ExitStatusOfScene(form->CurrentScene()));
        ASSERT_EQ(errorLines.size(), 1u);
        EXPECT_EQ(errorLines.front(), ProgramFileName() + ": " + outcome.text);
    } else {
        EXPECT_EQ(EndCount(), 0) << "a close of the window's own was taken up again";
        EXPECT_EQ(form->EndStatus(), ExitStatus::Done);
        EXPECT_TRUE(errorLines.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ui, RefusedClose,
    testing::Values(RefusedCloseCase {"cpu_window", EvUpdatingCpu, TargetCpu, CloseBy::Window, EvCompleted},
                    RefusedCloseCase {"dsp_window", EvUpdatingDsp, TargetDsp, CloseBy::Window, EvCompleted},
                    RefusedCloseCase {"cpu_card", EvUpdatingCpu, TargetCpu, CloseBy::Card, EvRomData},
                    RefusedCloseCase {"cpu_logout", EvUpdatingCpu, TargetCpu, CloseBy::SessionSave, EvCompleted},
                    RefusedCloseCase {"dsp_logout", EvUpdatingDsp, TargetDsp, CloseBy::SessionSave, EvCompleted},
                    RefusedCloseCase {"cpu_signal_completed", EvUpdatingCpu, TargetCpu, CloseBy::Termination,
                                      EvCompleted},
                    RefusedCloseCase {"cpu_signal_failed", EvUpdatingCpu, TargetCpu, CloseBy::Termination,
                                      EvRomData},
                    RefusedCloseCase {"dsp_signal_failed", EvUpdatingDsp, TargetDsp, CloseBy::Termination, EvBoot},
                    RefusedCloseCase {"dsp_signal_no_answer", EvUpdatingDsp, TargetDsp, CloseBy::Termination,
                                      EvNoAnswer}),
    [](const testing::TestParamInfo<RefusedCloseCase>& info) { return std::string(info.param.name); });

// A request to end that was remembered during the main processor's write
// waits through the DSP's: the end comes with the update's outcome.
TEST_F(KeysAndClose, RememberedEndWaitsForTheSecondProcessor)
{
    OpenMain();
    Tick();
    form->HandleEvent(EvUpdatingCpu, TargetCpu);
    EXPECT_FALSE(form->RequestEnd());
    form->HandleEvent(EvUpdatingDsp, TargetDsp);
    EXPECT_EQ(form->CurrentScene(), Scene::WritingDsp);
    EXPECT_EQ(EndCount(), 0);
    EXPECT_TRUE(errorLines.empty());
    form->HandleEvent(EvCompleted, TargetDsp);
    EXPECT_EQ(EndCount(), 1);
    EXPECT_EQ(form->EndStatus(), ExitStatus::Done);
}

// Outside the writing a request to end ends the program at once, with the
// status of a window closed by its user.
// Outside the writing a request to end ends the program at once: with the
// outcome's status on an outcome scene, with a request's status before any.
struct EndAtOnceCase {
    Scene scene;
    int status;
};

void PrintTo(const EndAtOnceCase& c, std::ostream* os) { *os << SceneName(c.scene); }

class EndAtOnce : public KeysAndClose, public testing::WithParamInterface<EndAtOnceCase> {};

TEST_P(EndAtOnce, InEveryOtherScene)
{
    OpenMain();
    Tick();
    ReachFromThePortScreen(GetParam().scene);
    ASSERT_EQ(form->CurrentScene(), GetParam().scene);
    beeps = 0;
    EXPECT_TRUE(form->RequestEnd());
    EXPECT_EQ(EndCount(), 1);
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(form->EndStatus(), GetParam().status);
    EXPECT_TRUE(errorLines.empty());
}

INSTANTIATE_TEST_SUITE_P(Ui, EndAtOnce,
                         testing::Values(EndAtOnceCase {Scene::PortEntry, ExitStatus::Signalled},
                                         EndAtOnceCase {Scene::ConfirmUpdate, ExitStatus::Signalled},
                                         EndAtOnceCase {Scene::ConnectingToWrite, ExitStatus::Signalled},
                                         EndAtOnceCase {Scene::Completed, ExitStatus::Done},
                                         EndAtOnceCase {Scene::CpuUpdateFailed, 15}),
                         [](const testing::TestParamInfo<EndAtOnceCase>& info) {
                             return std::string(SceneName(info.param.scene));
                         });

// Outside the writing the session may end: nothing is refused or said.
class SessionEndAllowed : public KeysAndClose, public testing::WithParamInterface<Scene> {};

TEST_P(SessionEndAllowed, InEveryOtherScene)
{
    OpenMain();
    Tick();
    ReachFromThePortScreen(GetParam());
    ASSERT_EQ(form->CurrentScene(), GetParam());
    beeps = 0;
    EXPECT_FALSE(form->RefuseSessionEnd());
    EXPECT_EQ(beeps, 0);
    EXPECT_FALSE(ClosingNote()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ui, SessionEndAllowed,
                         testing::Values(Scene::PortEntry, Scene::Connecting, Scene::ConfirmUpdate,
                                         Scene::ConnectingToWrite, Scene::Completed, Scene::CpuUpdateFailed),
                         [](const testing::TestParamInfo<Scene>& info) { return std::string(SceneName(info.param)); });

// The window answers the session's save request (Qt offers no session
// manager to a test; the connection is what can be seen of it).
TEST_F(KeysAndClose, WindowAnswersTheSessionsSaveRequest)
{
    EXPECT_TRUE(QObject::disconnect(qApp, &QGuiApplication::commitDataRequest, form, nullptr));
}

TEST_F(KeysAndClose, WindowCanBeMinimisedWhileWriting)
{
    OpenMain();
    Tick();
    EXPECT_FALSE(form->windowHandle()->flags().testFlag(Qt::WindowMinimizeButtonHint));

    form->HandleEvent(EvUpdatingCpu, TargetCpu);
    EXPECT_TRUE(form->windowHandle()->flags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(form->isVisible());  // the hint does not make the window anew
    form->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->isMinimized(); }, 10000));
    form->showNormal();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form->isMinimized(); }, 10000));

    form->HandleEvent(EvCompleted, TargetCpu);
    EXPECT_FALSE(form->windowHandle()->flags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

} // namespace
