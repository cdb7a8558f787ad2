#pragma once
#include <string>

// Shows a fatal error the way the platform does: an error box when a widget
// application is running, otherwise a line on standard error. Returns when
// the user has dismissed it; the caller then ends the process. The program
// hands it to the core at start-up (SetFatalDisplay).
void ShowFatalMessage(const std::string& text, const std::string& caption);
