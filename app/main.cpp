#include "AppWindows.h"
#include "ConsoleHost.h"
#include "DisplayLossWatch.h"
#include "DisplayStart.h"
#include "ExitStatus.h"
#include "FatalDisplay.h"
#include "FatalMessage.h"
#include "GuardedApplication.h"
#include "InstanceBeacon.h"
#include "OvlTable.h"
#include "Platform.h"
#include "SleepInhibitor.h"
#include "Startup.h"
#include "TermMain.h"
#include "TermOptions.h"
#include "TerminationWatch.h"
#include "UnitOpening.h"
#include "clsEnviron.h"
#include "clsGTex.h"
#include "frmMain.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

// Built before main runs, in this order, and destroyed in reverse: the lock
// exists before anything else happens and is released last.
clsEnviron Environ(clsEnviron::MutexName);
clsGTex GTex;

namespace {

// How long a second copy waits for the running one to answer.
constexpr int CallTimeoutMs = 5000;

// The toolkit, once a display is there; without one the process ends here
// with failStatus and a line that says why.
std::unique_ptr<GuardedApplication> StartToolkit(int& argc, char* argv[], int failStatus)
{
    DisplayStart check(failStatus);
    if (!DisplayStart::DisplayNamed()) {
        check.Fail();
    }
    return std::make_unique<GuardedApplication>(argc, argv);
}

// The two windows (the card is the main form: its closing ends the program),
// then the message loop. The windows go before the application object.
int RunWindows(QApplication& app)
{
    app.setQuitOnLastWindowClosed(false);
    InstanceBeacon beacon(Environ.LockPath());
    beacon.Listen();  // without it a second copy only says so
    AppWindows windows(GTex);
    // A lost display ends the program only once a write has gone to its end.
    DisplayLossWatch displayLoss([&windows] { return windows.Main().FinishWithoutDisplay(); });
    QObject::connect(&beacon, &InstanceBeacon::frontRequested, &app, [&windows] { windows.BringToFront(); });

    // The status is Done unless a request to end waited for an update's
    // outcome.
    QObject::connect(FormOpening, &TFormOpening::closed, &app,
                     [&windows] { QCoreApplication::exit(windows.Main().EndStatus()); }, Qt::QueuedConnection);
    // The session's end, Ctrl+C and Ctrl+\ end the program, or, while a
    // processor is written, once the update has ended.
    TerminationWatch termination;
    QObject::connect(&termination, &TerminationWatch::requested, &app,
                     [&windows] { windows.Main().RequestEnd(); });

    FormOpening->show();
    return app.exec();
}

// A second copy starts no window: it has the running one's brought to the
// front and says so.
int CallRunningCopy(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    RunningCopy running = RunningCopy::InTerminal;
    if (Environ.HolderForm() != InstanceLock::Form::Terminal) {
        // A copy that had not yet said what it is may say so by now.
        running = InstanceBeacon(Environ.LockPath()).CallRunning(CallTimeoutMs) ? RunningCopy::Fronted
            : Environ.HolderForm() == InstanceLock::Form::Terminal              ? RunningCopy::InTerminal
                                                                                 : RunningCopy::NotFronted;
    }
    std::fprintf(stderr, "%s\n", SecondCopyText(ProgramFileName(), running).c_str());
    return ExitStatus::SecondCopy;
}

// A lock that cannot be made is a broken setup, never to be hidden: said on
// standard error and in a message box, which a termination signal closes.
int ReportLockProblem(int argc, char* argv[])
{
    TerminationWatch::BlockSignals();  // a signal from now on closes the box
    const std::string text = LockProblemText(Environ.LockProblem());
    std::fprintf(stderr, "%s: %s\n", ProgramFileName().c_str(), text.c_str());
    std::fflush(stderr);
    const std::unique_ptr<GuardedApplication> app = StartToolkit(argc, argv, ExitStatus::LockFailed);
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(ProgramFileName()), QString::fromStdString(text),
                    QMessageBox::Ok);
    TerminationWatch termination;
    QObject::connect(&termination, &TerminationWatch::requested, &box, &QMessageBox::reject);
    box.exec();
    return ExitStatus::LockFailed;
}

// The terminal form: no window and no QApplication. A QCoreApplication
// carries the sleep inhibitor's calls to logind while a processor is
// written; its events are handled at every tick of the terminal's loop.
int RunInTerminal(int argc, char* argv[], const std::vector<std::string>& args)
{
    TerminationWatch::BlockSignals();  // before the bus's thread exists
    ConsoleHost::HoldSignalsBack();    // and every other signal the terminal form refuses
    Environ.SetHolderForm(InstanceLock::Form::Terminal);  // a window started now says so
    QCoreApplication app(argc, argv);
    SleepInhibitor inhibitor;
    TermStart start;
    start.lock = Environ.IsFirstInstance() != 0 ? InstanceLock::State::Held
        : Environ.LockProblem().empty()        ? InstanceLock::State::HeldElsewhere
                                               : InstanceLock::State::Failed;
    start.lockProblem = Environ.LockProblem();
    start.hooks.writingChanged = [&inhibitor](bool writing) { inhibitor.SetWriting(writing); };
    start.hooks.eachTick = [] { QCoreApplication::processEvents(); };
    return TermMain(args, start);
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (AsksForTerminal(args)) {
        return RunInTerminal(argc, argv, args);
    }
    SetFatalDisplay(ShowFatalMessage);
    if (Environ.IsFirstInstance() == 0) {
        return Environ.LockProblem().empty() ? CallRunningCopy(argc, argv) : ReportLockProblem(argc, argv);
    }
    Environ.SetHolderForm(InstanceLock::Form::Window);
    GTex.SetLines(OvlTable, OvlTableCount);
    TerminationWatch::BlockSignals();  // before any thread exists
    // A closed standard error (a pager quit, a log gone) must not end a write.
    std::signal(SIGPIPE, SIG_IGN);
    const std::unique_ptr<GuardedApplication> app = StartToolkit(argc, argv, ExitStatus::NoDisplay);
    if (!CheckCatalogue(GTex, ShowFatalMessage)) {
        return 0;
    }
    // What escapes the making of the windows (the loop's own escapes are the
    // application object's to show).
    try {
        return RunWindows(*app);
    } catch (const std::exception& error) {
        ShowFatal(GuardedApplication::EscapedText(error.what()));
    } catch (...) {
        ShowFatal(GuardedApplication::EscapedText("an exception of unknown type"));
    }
    return ExitStatus::InternalError;
}
