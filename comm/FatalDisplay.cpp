#include "FatalDisplay.h"

#include "Platform.h"

#include <cstdio>

namespace {

void ShowOnStandardError(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

// The one hook the program sets at start-up.
FatalDisplayHook fatalDisplay = ShowOnStandardError;

} // namespace

void SetFatalDisplay(FatalDisplayHook display)
{
    fatalDisplay = display != nullptr ? display : ShowOnStandardError;
}

void ShowFatal(const std::string& text)
{
    fatalDisplay(text, ProgramFileName());
}
