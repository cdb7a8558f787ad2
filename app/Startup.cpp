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

std::string LockProblemText(const std::string& problem)
{
    return "Cannot start: the lock that keeps a second copy from running cannot be made.\n" + problem;
}

std::string SecondCopyText(const std::string& program, RunningCopy running)
{
    switch (running) {
    case RunningCopy::Fronted:
        return program + " is already running; its window has been brought to the front.";
    case RunningCopy::InTerminal:
        return program + " is already running in a terminal, which has no window to bring to the front; "
                         "one copy runs at a time.";
    case RunningCopy::NotFronted:
        break;
    }
    return program + " is already running; its window could not be brought to the front.";
}
