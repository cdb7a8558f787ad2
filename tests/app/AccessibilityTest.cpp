// Both windows through Qt's accessibility interfaces, as a screen reader's
// bridge reads them: the notice is the scene's text (an alert in a failure
// scene), every control has a name, the progress bar says which processor
// it measures, and the keyboard reaches every button shown.
#include "MainWindowFixture.h"
#include "NoticeBox.h"
#include "SceneSpeech.h"
#include "ExitStatus.h"
#include "SeqEvents.h"
#include "Targets.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>

#include <vector>

namespace {

using enum SeqEvent;

class Accessibility : public WindowsFixture {
protected:
    void SetUp() override
    {
        WindowsFixture::SetUp();
        ports.AddPty(1);
        Create(false);
    }

    static QAccessibleInterface* Of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

    // Every line of the box's text that has words, without the blanks
    // that place it.
    static QString Spoken(const QTextEdit* box)
    {
        QStringList lines;
        for (const QString& line : box->toPlainText().remove(QChar(0x2060)).split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty()) {
                lines.append(line.trimmed());
            }
        }
        return lines.join(QLatin1Char('\n'));
    }

};

// The notice as the reader gets it: its name and its text are the lines
// shown, it is not "unavailable" although the box takes no clicks, and it
// takes no keyboard focus.
void ExpectReadable(QTextEdit* box, const QString& spoken, QAccessible::Role role)
{
    QAccessibleInterface* notice = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->role(), role);
    EXPECT_EQ(notice->text(QAccessible::Name), spoken);
    QAccessibleTextInterface* text = notice->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), spoken);
    EXPECT_EQ(text->text(0, -1), spoken);
    EXPECT_EQ(text->characterCount(), spoken.size());
    const QAccessible::State state = notice->state();
    EXPECT_FALSE(state.disabled);
    EXPECT_FALSE(state.focusable);
    EXPECT_TRUE(state.readOnly);
    EXPECT_FALSE(state.invisible);
}

TEST_F(Accessibility, OpeningCardReadsTheCautionAndNamesEveryControl)
{
    card->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(card));
    const QString spoken = Spoken(Caution());
    EXPECT_TRUE(spoken.startsWith(QStringLiteral("=== CAUTION ===\nUpdating the firmware is very risky.")));
    EXPECT_TRUE(spoken.endsWith(QStringLiteral("\nDo you agree to all of the above?")));
    ExpectReadable(Caution(), spoken, QAccessible::StaticText);
    EXPECT_EQ(Of(card)->text(QAccessible::Name), QStringLiteral("RX-77NOVA Firm Update (Release E2)"));
    EXPECT_EQ(Of(Yes())->text(QAccessible::Name), QStringLiteral("Yes"));
    EXPECT_EQ(Of(No())->text(QAccessible::Name), QStringLiteral("No"));
    for (QLabel* label : card->findChildren<QLabel*>()) {
        EXPECT_FALSE(Of(label)->text(QAccessible::Name).isEmpty()) << label->objectName().toStdString();
    }
}

TEST_F(Accessibility, PortBoxAndProgressBarHaveNames)
{
    OpenMain();
    ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
    // On Linux a combo box is named by what it holds; the text inside it,
    // which takes the focus, is the one read by name.
    EXPECT_EQ(Of(PortBox())->role(), QAccessible::ComboBox);
    EXPECT_EQ(PortBox()->accessibleName(), QStringLiteral("COM port number"));
    QAccessibleInterface* entry = Of(PortBox()->lineEdit());
    EXPECT_EQ(entry->text(QAccessible::Name), QStringLiteral("COM port number"));
    EXPECT_TRUE(entry->text(QAccessible::Description).contains(QStringLiteral("1 to 256")));
    EXPECT_TRUE(Of(PortBox())->text(QAccessible::Description).contains(QStringLiteral("1 to 256")));
    QAccessibleInterface* bar = Of(Bar());
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Firmware writing progress"));
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 255);
    ExpectReadable(Message(), Spoken(Message()), QAccessible::StaticText);
    EXPECT_TRUE(Spoken(Message()).endsWith(QStringLiteral("(1 - 256)")));
    // The keyboard reaches the port box and both buttons.
    for (QWidget* control : {static_cast<QWidget*>(PortBox()), static_cast<QWidget*>(Ok()),
                             static_cast<QWidget*>(Exit())}) {
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus) << control->objectName().toStdString();
        EXPECT_TRUE(Of(control)->state().focusable) << control->objectName().toStdString();
    }
}

// Every scene the main window shows is the notice's name and text; a
// failure scene is an alert, and the scene after it is plain text again.
// (The events that announce each scene are heard in the screen-reader walk:
// Qt raises none without a platform bridge.)
struct AnnounceCase {
    Scene scene;
    const char* words;  // a line the reader hears
};

void PrintTo(const AnnounceCase& c, std::ostream* os) { *os << static_cast<int>(c.scene); }

class Announced : public Accessibility, public testing::WithParamInterface<AnnounceCase> {};

TEST_P(Announced, OnTheNotice)
{
    OpenMain();
    Tick();
    ReachFromThePortScreen(GetParam().scene);
    ASSERT_EQ(form->CurrentScene(), GetParam().scene);

    const bool failure = ExitStatusOfScene(GetParam().scene) >= 10;
    const QString spoken = Spoken(Message());
    EXPECT_TRUE(spoken.contains(QString::fromLatin1(GetParam().words))) << spoken.toStdString();
    ExpectReadable(Message(), spoken, failure ? QAccessible::AlertMessage : QAccessible::StaticText);
    EXPECT_EQ(static_cast<NoticeBox*>(Message())->IsAlert(), failure);

    const SceneSpeechRow* speech = FindSceneSpeech(GetParam().scene);
    ASSERT_NE(speech, nullptr);
    EXPECT_EQ(speech->alert, failure);
    if (Bar()->isVisible()) {
        ASSERT_NE(speech->progressDescription, nullptr);
        EXPECT_EQ(Of(Bar())->text(QAccessible::Description), QString::fromLatin1(speech->progressDescription));
    } else {
        EXPECT_EQ(speech->progressDescription, nullptr);
    }
    // The keyboard reaches every button the scene shows.
    for (QPushButton* button : {Ok(), Exit()}) {
        if (button->isVisible()) {
            EXPECT_TRUE(Of(button)->state().focusable);
            EXPECT_FALSE(Of(button)->text(QAccessible::Name).isEmpty());
        }
    }

    if (failure && Ok()->text() == QStringLiteral("Retry")) {
        Ok()->click();
        ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
        ExpectReadable(Message(), Spoken(Message()), QAccessible::StaticText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryScene, Announced,
    testing::Values(AnnounceCase {Scene::Connecting, "Connecting to the RX-77."},
                    AnnounceCase {Scene::ConfirmDowngrade, "Do you want to continue?"},
                    AnnounceCase {Scene::ConfirmUpdate, "Do you wish to start the firmware update?"},
                    AnnounceCase {Scene::ConnectingToWrite, "Connecting to the RX-77."},
                    AnnounceCase {Scene::WritingCpu, "Updating the firmware in CPU."},
                    AnnounceCase {Scene::WritingDsp, "Updating the firmware in DSP."},
                    AnnounceCase {Scene::Completed, "Firmware updating is completed."},
                    AnnounceCase {Scene::NotNeeded, "This update is not needed."},
                    AnnounceCase {Scene::PortUnavailable, "Cannot access COM port."},
                    AnnounceCase {Scene::NoAnswer, "Please check the connection."},
                    AnnounceCase {Scene::CannotUpdate, "The connected RX-77 cannot update."},
                    AnnounceCase {Scene::CpuTransferFailed, "Cannot transfer the firmware of CPU."},
                    AnnounceCase {Scene::DspTransferFailed, "Cannot transfer the firmware of DSP."},
                    AnnounceCase {Scene::CpuUpdateFailed, "Firmware of CPU updating failed."},
                    AnnounceCase {Scene::DspUpdateFailed, "Firmware of DSP updating failed."}));

// The progress bar says which processor it measures: the two writing scenes
// differ, and each names its processor.
TEST_F(Accessibility, ProgressBarNamesTheProcessorWritten)
{
    OpenMain();
    Tick();
    ReachFromThePortScreen(Scene::WritingCpu);
    const QString cpu = Of(Bar())->text(QAccessible::Description);
    ReachFromThePortScreen(Scene::WritingDsp);
    const QString dsp = Of(Bar())->text(QAccessible::Description);
    EXPECT_TRUE(cpu.contains(QStringLiteral("CPU")));
    EXPECT_TRUE(dsp.contains(QStringLiteral("DSP")));
    EXPECT_FALSE(cpu.contains(QStringLiteral("DSP")));
}

} // namespace
