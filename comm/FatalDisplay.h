#pragma once
#include <string>

// How a fatal error is shown before the process ends. The program sets its
// display once at start-up (an error box); until then a line goes to
// standard error.
using FatalDisplayHook = void (*)(const std::string& text, const std::string& caption);

void SetFatalDisplay(FatalDisplayHook display);

// Shows text through the display, captioned with the program's file name.
// Returns when the user has dismissed it; the caller then ends the process.
void ShowFatal(const std::string& text);
