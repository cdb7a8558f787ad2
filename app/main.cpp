#include "FatalDisplay.h"
#include "FatalMessage.h"
#include "OvlTable.h"
#include "Startup.h"
#include "TerminationWatch.h"
#include "UnitOpening.h"
#include "clsEnviron.h"
#include "clsGTex.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>

#include <memory>

// Built before main runs, in this order, and destroyed in reverse: the lock
// exists before anything else happens and is released last.
clsEnviron Environ(clsEnviron::MutexName);
clsGTex GTex;

namespace {

// The opening card first (the main form: its closing ends the program), the
// main window second and hidden; then the message loop. The windows go
// before the application object, the main window (with its worker and
// sequencer, which closes the port) first.
int RunWindows(QApplication& app)
{
    app.setQuitOnLastWindowClosed(false);
    auto opening = std::make_unique<TFormOpening>();
    FormOpening = opening.get();
    app.setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    auto main = std::make_unique<TForm1>(GTex);
    Form1 = main.get();

    QObject::connect(FormOpening, &TFormOpening::closed, &app, [] { QCoreApplication::exit(0); },
                     Qt::QueuedConnection);
    TerminationWatch termination;
    QObject::connect(&termination, &TerminationWatch::requested, FormOpening,
                     [] { FormOpening->RequestClose(); });

    FormOpening->show();
    app.exec();

    Form1 = nullptr;
    main.reset();
    FormOpening = nullptr;
    opening.reset();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    SetFatalDisplay(ShowFatalMessage);
    if (Environ.IsFirstInstance() == 0) {
        return 0;
    }
    GTex.SetLines(OvlTable, OvlTableCount);
    TerminationWatch::BlockSignals();  // before any thread exists
    QApplication app(argc, argv);
    if (!CheckCatalogue(GTex, ShowFatalMessage)) {
        return 0;
    }
    return RunWindows(app);
}
