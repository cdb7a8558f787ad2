// The finished program's windows, the real sequencer with the worker ticking,
// and the emulated radio on a pseudo-terminal named by RX77NOVA_PORT_DIR.
#include "EmulatedRadio.h"
#include "LineAttempts.h"
#include "ExitStatus.h"
#include "MainWindowFixture.h"
#include "Platform.h"
#include "SceneTable.h"
#include "WriteOutcome.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr int RadioCom = 3;
constexpr int LongWait = 300000;  // a whole update, also under the sanitizers

class EndToEnd : public WindowsFixture {
protected:
    // Runs the message loop until the window shows scene (or the time is up),
    // noting every scene on the way and what the title said while writing.
    bool RunUntilScene(Scene scene, int ms)
    {
        return RunUntil([&] { return form->CurrentScene() == scene; }, ms);
    }

    // Runs the message loop until done (or the time is up), noting the
    // scenes on the way as RunUntilScene does.
    bool RunUntil(const std::function<bool()>& done, int ms)
    {
        QEventLoop loop;
        QDeadlineTimer deadline(ms);
        QTimer watch;
        const QRegularExpression percent(QStringLiteral("^[ 0-9]{2}[0-9]% - RX-77NOVA Firm Update \\(Release E2\\)$"));
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const Scene now = form->CurrentScene();
            if (log.empty() || log.back() != now) {
                log.push_back(now);
            }
            if (now == Scene::WritingCpu || now == Scene::WritingDsp) {
                percentTitle = percentTitle || percent.match(form->windowTitle()).hasMatch();
                highestProgress = std::max(highestProgress, Bar()->value());
            }
            if (done() || deadline.hasExpired()) {
                loop.quit();
            }
        });
        watch.start(1);
        loop.exec();
        return done();
    }

    // From scene 1 to the main processor's write, with a request to end
    // arriving early in it: refused, remembered.
    void RequestEndDuringTheCpuWrite(EmulatedRadio& radio)
    {
        ClickOkOnThePortScreen();
        ASSERT_TRUE(RunUntilScene(Scene::ConfirmUpdate, 20000)) << FormatReport(radio.Report());
        Ok()->click();  // "Yes"
        ASSERT_TRUE(RunUntilScene(Scene::WritingCpu, LongWait)) << Notices() << FormatReport(radio.Report());
        EXPECT_FALSE(form->RequestEnd());
        EXPECT_EQ(EndCount(), 0);
        EXPECT_EQ(form->CurrentScene(), Scene::WritingCpu);
        log.clear();  // the scenes from the request on
    }

    // The OK button on the port screen answers once the worker's first
    // ticks have brought the sequencer to rest (the scene shows it enabled
    // before that); a loaded machine may take a while.
    void ClickOkOnThePortScreen()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->Sequencer().CanStart() && Ok()->isEnabled(); }, 10000))
            << "the sequencer never came to rest";
        Ok()->click();
    }

    std::string Notices() const
    {
        std::string text;
        for (const ShownLine& line : ShownLines(Message())) {
            text += line.text.toStdString() + "\n";
        }
        return text;
    }

    // From scene 1 to the end of a successful update of both processors.
    // minutes: the write time the radio's versions call for; empty: any.
    void UpdateBoth(EmulatedRadio& radio, const QString& minutes = QStringLiteral("8"))
    {
        ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
        EXPECT_EQ(PortBox()->currentText(), QString::number(RadioCom));
        log.clear();
        ClickOkOnThePortScreen();
        ASSERT_TRUE(RunUntilScene(Scene::ConfirmUpdate, 20000)) << FormatReport(radio.Report());
        // Both processors differ: 350 + 90 seconds, shown as 8 minutes.
        if (!minutes.isEmpty()) {
            EXPECT_EQ(ShownLines(Message()).front().text,
                      QStringLiteral("Updating the firmware. It will take approx. %1 minutes.").arg(minutes));
        }
        Ok()->click();  // "Yes"
        ASSERT_TRUE(RunUntilScene(Scene::Completed, LongWait)) << Notices() << FormatReport(radio.Report());
        EXPECT_EQ(log, (std::vector<Scene>{Scene::Connecting, Scene::ConfirmUpdate, Scene::ConnectingToWrite,
                                           Scene::WritingCpu, Scene::WritingDsp, Scene::Completed}));
        EXPECT_TRUE(percentTitle);
        EXPECT_GE(highestProgress, 250);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("RX-77NOVA Firm Update (Release E2)"));
        const RadioReport report = radio.Report();
        EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
        EXPECT_TRUE(report.dsp.matchesImage) << FormatReport(report);
        EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
        // The exit command went out with the last scene; the radio's thread
        // takes it a moment later.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !radio.Report().inUpdateMode; }, 10000)) << FormatReport(report);
    }

    // Runs attempt against a radio with these options on the pseudo-terminal
    // the port folder names, with new windows and a new radio for each
    // attempt a stalled machine spoiled (LineAttempts.h).
    void WithRadio(const RadioOptions& options, const std::function<void(EmulatedRadio&)>& attempt)
    {
        std::unique_ptr<EmulatedRadio> radio;
        const auto fresh = [&] {
            Destroy();
            radio.reset();
            beeps = 0;
            log.clear();
            errorLines.clear();  // a spoiled attempt's lines are not this one's
            boxes.clear();
            percentTitle = false;
            highestProgress = 0;
            radio = std::make_unique<EmulatedRadio>(options);
            ASSERT_TRUE(radio->Start()) << radio->Error();
            ASSERT_TRUE(radio->LinkAs(ports.Path(), RadioCom)) << radio->Error();
        };
        fresh();
        AttemptUntilTheLineKeepsUp([&] { attempt(*radio); }, [&] { return radio->Report().requestsHeldBack; },
                                   fresh);
        Destroy();
    }

    std::vector<Scene> log;
    bool percentTitle = false;
    int highestProgress = 0;
};

TEST_F(EndToEnd, YesPortOkYesUpdatesBothProcessors)
{
    WithRadio(RadioOptions{}, [&](EmulatedRadio& radio) {
        Create(true);
        OpenMain();
        UpdateBoth(radio);
        EXPECT_EQ(beeps, 0);
        Ok()->click();  // "OK" ends the program
        EXPECT_EQ(EndCount(), 1);
    });
}

// A request to end (a termination signal, the session's end) early in the
// main processor's write: the writing goes on, the DSP is written too, and
// the program ends with the outcome: its line on standard error, its status,
// no OK waited for.
TEST_F(EndToEnd, RequestToEndDuringTheWriteWaitsForTheWholeUpdate)
{
    WithRadio(RadioOptions{}, [&](EmulatedRadio& radio) {
        Create(true);
        OpenMain();
        ASSERT_NO_FATAL_FAILURE(RequestEndDuringTheCpuWrite(radio));
        ASSERT_TRUE(RunUntil([&] { return EndCount() > 0; }, LongWait)) << Notices() << FormatReport(radio.Report());
        EXPECT_EQ(log, (std::vector<Scene>{Scene::WritingCpu, Scene::WritingDsp, Scene::Completed}));
        EXPECT_EQ(form->EndStatus(), ExitStatus::Done);
        EXPECT_EQ(errorLines, (std::vector<std::string>{ProgramFileName() + ": Firmware updating is completed."}));
        const RadioReport report = radio.Report();
        EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
        EXPECT_TRUE(report.dsp.matchesImage) << FormatReport(report);
        EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !radio.Report().inUpdateMode; }, 10000)) << FormatReport(report);
    });
}

// The same request, and the DSP's write fails after it: the end comes with
// the failure's status and line.
TEST_F(EndToEnd, RequestToEndThenAFailureEndsWithTheFailure)
{
    RadioOptions options;
    options.faults.push_back(Fault{"dsp.block 10", FaultKind::WrongByte});
    WithRadio(options, [&](EmulatedRadio& radio) {
        Create(true);
        OpenMain();
        ASSERT_NO_FATAL_FAILURE(RequestEndDuringTheCpuWrite(radio));
        ASSERT_TRUE(RunUntil([&] { return EndCount() > 0; }, LongWait)) << Notices() << FormatReport(radio.Report());
        const Scene outcome = form->CurrentScene();
        EXPECT_EQ(outcome, Scene::DspUpdateFailed) << Notices();
        EXPECT_EQ(form->EndStatus(), ExitStatusOfScene(outcome));
        EXPECT_NE(form->EndStatus(), ExitStatus::Done);
        const SceneRow* row = FindSceneRow(outcome);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(errorLines,
                  (std::vector<std::string>{ProgramFileName() + ": " + SceneText(row->FirstNotice, row->LastNotice)}));
        const RadioReport report = radio.Report();
        EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
        EXPECT_FALSE(report.dsp.matchesImage) << FormatReport(report);
    });
}

TEST_F(EndToEnd, SilentRadioThenRetryWithTheSamePort)
{
    RadioOptions options;
    options.faults.push_back(Fault{"ident", FaultKind::Silent});
    WithRadio(options, [&](EmulatedRadio& radio) {
        Create(true);
        OpenMain();
        ClickOkOnThePortScreen();
        ASSERT_TRUE(RunUntilScene(Scene::NoAnswer, 30000)) << Notices();
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(Ok()->text(), QStringLiteral("Retry"));

        radio.PowerCycle();
        Ok()->click();  // "Retry"
        ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
        UpdateBoth(radio);
        EXPECT_EQ(beeps, 1);
    });
}

TEST_F(EndToEnd, CablePulledDuringTheCpuDataThenANewStartCompletes)
{
    RadioOptions options;
    options.faults.push_back(Fault{"cpu.block 40", FaultKind::HangUp});
    WithRadio(options, [&](EmulatedRadio& radio) {
        Create(true);
        OpenMain();
        ClickOkOnThePortScreen();
        ASSERT_TRUE(RunUntilScene(Scene::ConfirmUpdate, 20000)) << Notices();
        Ok()->click();
        ASSERT_TRUE(RunUntilScene(Scene::CpuUpdateFailed, LongWait)) << Notices() << FormatReport(radio.Report());
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(ShownLines(Message()).front().text, QStringLiteral("Firmware of CPU updating failed."));
        EXPECT_TRUE(radio.Report().hungUp);
        Ok()->click();  // "OK" ends the program
        EXPECT_EQ(EndCount(), 1);
        Destroy();

        // The user detaches and reattaches the battery, and starts again.
        radio.PowerCycle();
        beeps = 0;
        Create(true);
        OpenMain();
        UpdateBoth(radio, QString());
        EXPECT_EQ(beeps, 0);
    });
}

} // namespace
