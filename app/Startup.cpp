#include "Startup.h"

#include "Platform.h"
#include "clsGTex.h"

bool CheckCatalogue(clsGTex& catalogue, const FatalDisplay& show)
{
    if (catalogue.GetText("Sys_Ovl", 0) == "OVL") {
        return true;
    }
    show(OvlFatalText, ProgramFileName());
    return false;
}
