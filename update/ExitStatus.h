#pragma once
#include "Scene.h"

#include <span>

// The exit statuses of every form of the program (the window on Linux and on
// Windows, the terminal form, one radio or several, and the run that goes on
// after the display was lost): one table, printed by --help, the manual page
// and the README, and checked against them by the tests. A failure scene's
// status is its number, 10 to 16.
namespace ExitStatus {
constexpr int Done = 0;           // completed or not needed; a window its user closed
constexpr int LockFailed = 1;     // the single-instance lock cannot be made
constexpr int Usage = 2;          // wrong options
constexpr int SecondCopy = 3;     // another copy runs (window or terminal)
constexpr int Declined = 4;       // a question answered no, or the input ended
constexpr int Signalled = 5;      // a request to end while nothing was written
constexpr int OutputFailed = 6;   // the output could not be written (never while writing)
constexpr int NoDisplay = 7;      // the window cannot start: no display
constexpr int InternalError = 8;  // an internal error, after its error box
constexpr int DisplayLost = 9;    // the display was lost while nothing was written
// 10 to 16: the failure scenes (Scene::PortUnavailable ... Scene::DspUpdateFailed).
} // namespace ExitStatus

struct ExitStatusRow {
    int status;
    const char* meaning;
};

// Every status, ascending.
std::span<const ExitStatusRow> ExitStatusTable();

// The status of the program ending on scene: Done for Completed and
// NotNeeded, the scene's number for a failure scene (10 to 16), -1 for a
// scene that does not end the program.
int ExitStatusOfScene(Scene scene);

// The worst of two statuses, for a run of several radios: any failure beats
// Done, and a higher failure scene beats a lower one.
int WorseExitStatus(int a, int b);
