#pragma once
// Both windows as the program makes them, with the real sequencer on the
// port folder's pseudo-terminals; the tick is driven by the test unless the
// worker is asked for.
#include "AppWindows.h"
#include "FirmImages.h"
#include "MessageBoxCp932.h"
#include "OvlTable.h"
#include "SeqEvents.h"
#include "Targets.h"
#include "ScenePrint.h"
#include "UiTestSupport.h"
#include "UnitOpening.h"
#include "clsGTex.h"
#include "clsMainSeq.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <memory>

struct ShownBox {
    QString text;
    QString caption;
    int style;
};

class WindowsFixture : public testing::Test {
protected:
    void SetUp() override { ports.Use(); }

    void TearDown() override { Destroy(); }

    // Creates both windows; the worker ticks only when withWorker is true.
    void Create(bool withWorker)
    {
        catalogue.SetLines(OvlTable, OvlTableCount);
        // The sequencer the program runs.
        windows = std::make_unique<AppWindows>(catalogue, TForm1::ProgramSequencer(), withWorker);
        card = &windows->Opening();
        form = &windows->Main();
        form->SetMessageDisplay([this](QWidget*, const QString& text, const QString& caption, int style) {
            boxes.push_back({text, caption, style});
            return AnswerOk;
        });
        form->SetBeep([this] { ++beeps; });
        form->SetErrorLine([this](const std::string& line) { errorLines.push_back(line); });
        ended = std::make_unique<QSignalSpy>(card, &TFormOpening::closed);
    }

    void Destroy()
    {
        form = nullptr;
        card = nullptr;
        windows.reset();
        ended.reset();
    }

    // The card shown, "Yes" pressed: the main window in scene 1.
    void OpenMain()
    {
        card->show();
        (void)QTest::qWaitForWindowExposed(card);
        Yes()->click();
        (void)QTest::qWaitForWindowExposed(form);
        form->activateWindow();
        (void)QTest::qWaitForWindowActive(form);
    }

    void Tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            form->Timer1Timer();
        }
    }

    // Ticks until the scene is reached or the time is up.
    // From scene 1, with the sequencer at rest, to the scene the way the
    // user and the sequencer get there: OK for scenes 2 and 5, otherwise
    // the event (with its target) that leads to it.
    void ReachFromThePortScreen(Scene scene)
    {
        struct Route {
            Scene scene;
            SeqEvent code;
            int target;
        };
        static const Route routes[] = {
            {Scene::ConfirmDowngrade, SeqEvent::EvConfirmDowngrade, TargetNone},
            {Scene::ConfirmUpdate, SeqEvent::EvConfirmUpdate, TargetNone},
            {Scene::WritingCpu, SeqEvent::EvUpdatingCpu, TargetCpu},
            {Scene::WritingDsp, SeqEvent::EvUpdatingDsp, TargetDsp},
            {Scene::Completed, SeqEvent::EvCompleted, TargetCpu},
            {Scene::NotNeeded, SeqEvent::EvCompleted, TargetNone},
            {Scene::PortUnavailable, SeqEvent::EvComOpen, TargetNone},
            {Scene::NoAnswer, SeqEvent::EvNoAnswer, TargetNone},
            {Scene::CannotUpdate, SeqEvent::EvCannotUpdate, TargetNone},
            {Scene::CpuTransferFailed, SeqEvent::EvVersion, TargetCpu},
            {Scene::DspTransferFailed, SeqEvent::EvVersion, TargetDsp},
            {Scene::CpuUpdateFailed, SeqEvent::EvBoot, TargetCpu},
            {Scene::DspUpdateFailed, SeqEvent::EvBoot, TargetDsp},
        };
        if (scene == Scene::Connecting) {
            form->Button_StartClick();
        } else if (scene == Scene::ConnectingToWrite) {
            form->HandleEvent(SeqEvent::EvConfirmUpdate, TargetNone);
            form->Button_StartClick();
        }
        for (const Route& r : routes) {
            if (r.scene == scene) {
                form->HandleEvent(r.code, r.target);
            }
        }
    }

    bool TickUntilScene(Scene scene, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (form->CurrentScene() != scene && !deadline.hasExpired()) {
            form->Timer1Timer();
            QCoreApplication::processEvents();
            QThread::usleep(200);
        }
        return form->CurrentScene() == scene;
    }

    int EndCount() const { return static_cast<int>(ended->count()); }

    QPushButton* Ok() const { return form->findChild<QPushButton*>(QStringLiteral("Button_Start")); }
    QPushButton* Exit() const { return form->findChild<QPushButton*>(QStringLiteral("Button_Exit")); }
    QComboBox* PortBox() const { return form->findChild<QComboBox*>(QStringLiteral("cmbPort")); }
    QTextEdit* Message() const { return form->findChild<QTextEdit*>(QStringLiteral("reMessage")); }
    QProgressBar* Bar() const { return form->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")); }
    QPushButton* Yes() const { return card->findChild<QPushButton*>(QStringLiteral("btOK")); }
    QPushButton* No() const { return card->findChild<QPushButton*>(QStringLiteral("btCancel")); }
    QTextEdit* Caution() const { return card->findChild<QTextEdit*>(QStringLiteral("reCaution")); }

    PortFolder ports;
    clsGTex catalogue;
    std::unique_ptr<AppWindows> windows;
    TFormOpening* card = nullptr;
    TForm1* form = nullptr;
    std::unique_ptr<QSignalSpy> ended;
    std::vector<ShownBox> boxes;
    std::vector<std::string> errorLines;  // what went to standard error
    int beeps = 0;
};
