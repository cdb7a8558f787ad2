#pragma once
#include "Scene.h"

#include <span>

// The exit statuses of the program, one table for --help, the manual page
// and the tests. A failure scene's status is its number.
namespace ExitStatus {
constexpr int Done = 0;          // completed, or not needed
constexpr int LockFailed = 1;    // the single-instance lock cannot be made
constexpr int Usage = 2;         // wrong options
constexpr int SecondCopy = 3;    // another copy runs (window or terminal)
constexpr int Declined = 4;      // a question answered no, or the input ended
constexpr int Signalled = 5;     // ended by a signal while nothing was written
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
