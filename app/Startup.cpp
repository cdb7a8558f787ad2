#include "Startup.h"

#include "ProgramName.h"
#include "clsGTex.h"

bool CheckCatalogue(clsGTex& catalogue, const FatalDisplay& show)
{
    if (catalogue.GetText("Sys_Ovl", 0) == "OVL") {
        return true;
    }
    show(OvlFatalText, ProgramFileName());
    return false;
}
