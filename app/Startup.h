#pragma once
#include <functional>
#include <string>

class clsGTex;

// Shows a fatal message (text, caption) and returns once it is dismissed.
using FatalDisplay = std::function<void(const std::string& text, const std::string& caption)>;

constexpr const char* OvlFatalText = "Fatal error !\nCannot open OVL file.\nInstall this application again !";

// The catalogue is intact when value line 0 of "Sys_Ovl" is exactly "OVL".
// Otherwise shows the fatal message, captioned with the executable's file
// name, and returns false: the program then ends with code 0.
bool CheckCatalogue(clsGTex& catalogue, const FatalDisplay& show);

// What the program says when its single-instance lock cannot be made
// (problem: the path and the reason); it then ends with ExitStatus::LockFailed.
std::string LockProblemText(const std::string& problem);

// What a second copy of the window learnt of the running one.
enum class RunningCopy {
    Fronted,     // its window was brought to the front
    NotFronted,  // a window that did not answer
    InTerminal,  // it runs in a terminal: no window to bring to the front
};

// What a second copy says on standard error.
std::string SecondCopyText(const std::string& program, RunningCopy running);
