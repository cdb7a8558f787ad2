#pragma once
#include "InstanceLock.h"
#include "TermSession.h"

#include <string>
#include <vector>

// What the program gives the terminal form when it starts: how the
// single-instance lock went (taken before anything else, as for the
// window) and the hooks of a build with the toolkit.
struct TermStart {
    InstanceLock::State lock = InstanceLock::State::Failed;
    std::string lockProblem;
    TermHooks hooks;
};

// The program in a terminal, for the arguments after its name: --help,
// --list-ports or the update on --port N. Returns the exit status.
int TermMain(const std::vector<std::string>& args, const TermStart& start);
