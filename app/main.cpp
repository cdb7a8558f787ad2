#include "OvlTable.h"
#include "ProgramName.h"
#include "Startup.h"
#include "clsEnviron.h"
#include "clsGTex.h"

#include <QApplication>

// Built before main runs, in this order, and destroyed in reverse: the lock
// exists before anything else happens and is released last.
clsEnviron Environ(clsEnviron::MutexName);
clsGTex GTex;

int main(int argc, char* argv[])
{
    if (Environ.IsFirstInstance() == 0) {
        return 0;
    }
    GTex.SetLines(OvlTable, OvlTableCount);
    QApplication app(argc, argv);
    if (!CheckCatalogue(GTex, ShowFatalMessage)) {
        return 0;
    }
    return 0;
}
