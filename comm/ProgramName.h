#pragma once
#include <string>

// The executable's file name without its folder ("" when it cannot be found).
// Used as the caption of the fatal message boxes.
std::string ProgramFileName();

// Shows a fatal error the way the platform does: an error box when a widget
// application is running, otherwise a line on standard error. Returns when
// the user has dismissed it; the caller then ends the process.
void ShowFatalMessage(const std::string& text, const std::string& caption);
