#pragma once
#include "EndRequest.h"
#include "ExitStatus.h"
#include "MessageBoxCp932.h"
#include "Scene.h"
#include "SceneModel.h"
#include "ScenePresenter.h"
#include "SeqEvents.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class clsGTex;
class clsMainSeq;
class thrProg;
class QLabel;
class QPushButton;
class PortalInhibitor;
class SleepInhibitor;

namespace Ui {
class TForm1;
}

// The main window: shows the scenes of an update, owns the sequencer and
// the tick worker that drives it.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Sizes and title from catalogue; the built-in firmware on the Linux
    // serial port; the worker ticking.
    explicit TForm1(clsGTex& catalogue);
    // Another sequencer; the worker only when startWorker is true (tests
    // then call Timer1Timer themselves).
    // The sequencer the program runs: the built-in firmware on the Linux
    // serial port, its send task on timers that its own ticks run, so that
    // a write can go on without the event loop once the display is lost.
    static std::unique_ptr<clsMainSeq> ProgramSequencer();
    TForm1(clsGTex& catalogue, std::unique_ptr<clsMainSeq> sequencer, bool startWorker);
    ~TForm1() override;

    Scene CurrentScene() const { return scene; }
    QRect OkHome() const { return controls.home1; }
    QRect ExitHome() const { return controls.home2; }
    clsMainSeq& Sequencer() { return *sequencer; }
    const SleepInhibitor& Inhibitor() const { return *inhibitor; }
    const PortalInhibitor& SessionInhibitor() const { return *portalInhibitor; }

    void FormShow();
    void Button_StartClick();
    void Button_ExitClick();
    bool FormCloseQuery() const;
    void Timer1Timer();
    // A close request refused while a processor is written: the warning
    // sound, and a line saying when the window can close (ClosingNoteText).
    void CloseRefused();
    // The session asks to save before it ends (logging out, shutting down):
    // true, with the same feedback as a refused close, while a processor is
    // written; the session is then asked to cancel its end, and the end is
    // remembered for when the update has ended (EndRequest.h).
    bool RefuseSessionEnd();
    // A request to end from outside the windows (a termination signal): the
    // program ends now; while a processor is written it is refused, and
    // remembered: once the update has ended the outcome goes to standard
    // error and the program ends with the outcome's status, without waiting
    // for OK. True when the program ends now.
    bool RequestEnd();
    // The status the program ends with (ExitStatus.h).
    int EndStatus() const { return endStatus; }
    // What a screen reader says of the port box and the progress bar.
    static constexpr const char* PortBoxName = "COM port number";
    static constexpr const char* PortBoxDescription =
        "The COM port of the radio's data cable, 1 to 256: type it or pick it from the list";
    static constexpr const char* ProgressName = "Firmware writing progress";
    // The display is gone (called from the message handler, outside any
    // tick): the ticks stop; a processor being written is written to its
    // end on a plain loop without windows. Says on standard error what came
    // of it and returns the exit status (DisplayLossWatch.h).
    int FinishWithoutDisplay();
    // Shows the scene that event code leads to while target is handled.
    void HandleEvent(SeqEvent code, int target);

    // How message boxes are shown and the critical-stop sound is played;
    // replaceable so that both can be watched.
    void SetMessageDisplay(MessageDisplay display);
    void SetBeep(std::function<void()> sound);
    // Where a line for standard error goes; replaceable so that it can be read.
    void SetErrorLine(std::function<void(const std::string&)> say);

    // Scene 4's minutes: (seconds + 79) div 60, in decimal.
    static std::string WriteTimeText(int seconds);
    // The title: "%3d%% - %s" from position * 100 div 255 while a processor
    // is written, otherwise appTitle.
    static QString ProgressTitle(bool inProgress, int position, const std::string& appTitle);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Layout(int clientWidth, int clientHeight);
    void NameForReaders();
    void Present(Scene newScene);
    // The button Enter presses when no push button has the focus.
    QPushButton* EnterDefault() const;
    void StartSequencer();
    void EventStep();
    void ShowTitle();
    void EndProgram();
    void HonourEndRequest(SeqEvent code, int target);
    void AllowMinimise(bool allow);
    void FitText();

    std::unique_ptr<Ui::TForm1> ui;
    std::unique_ptr<clsMainSeq> sequencer;
    std::string appTitle;
    Scene scene = Scene::Opening;  // none of the main window's yet
    SceneControls controls;
    MessageDisplay messageDisplay;
    std::function<void()> beep;
    std::function<void(const std::string&)> errorLine;
    EndRequest endRequest;
    int endStatus = ExitStatus::Done;
    std::unique_ptr<thrProg> worker;
    QLabel* closingNote = nullptr;  // owned by the window
    SleepInhibitor* inhibitor = nullptr;  // owned by the window
    PortalInhibitor* portalInhibitor = nullptr;  // owned by the window
    QMetaObject::Connection focusWatch;
};

// The main window for the whole run (one of the program's two windows).
extern TForm1* Form1;
