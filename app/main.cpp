#include "AppWindows.h"
#include "FatalDisplay.h"
#include "FatalMessage.h"
#include "OvlTable.h"
#include "Startup.h"
#include "TerminationWatch.h"
#include "UnitOpening.h"
#include "clsEnviron.h"
#include "clsGTex.h"

#include <QApplication>

// Built before main runs, in this order, and destroyed in reverse: the lock
// exists before anything else happens and is released last.
clsEnviron Environ(clsEnviron::MutexName);
clsGTex GTex;

namespace {

// The two windows (the card is the main form: its closing ends the program),
// then the message loop. The windows go before the application object.
int RunWindows(QApplication& app)
{
    app.setQuitOnLastWindowClosed(false);
    AppWindows windows(GTex);

    QObject::connect(FormOpening, &TFormOpening::closed, &app, [] { QCoreApplication::exit(0); },
                     Qt::QueuedConnection);
    // The session's end and Ctrl+C ask the card, which refuses while a
    // processor is written, like any close request.
    TerminationWatch termination;
    QObject::connect(&termination, &TerminationWatch::requested, FormOpening,
                     [] { FormOpening->RequestClose(); });

    FormOpening->show();
    app.exec();
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
