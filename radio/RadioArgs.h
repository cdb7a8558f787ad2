#pragma once

#include "RadioOptions.h"

#include <string>
#include <vector>

// The command line of rx77nova-radio.
struct RadioArgs {
    std::string portDir;
    int com = 0;
    RadioOptions options;
    bool help = false;
};

// False, with a one-line reason, when the arguments are not usable.
bool ParseRadioArgs(const std::vector<std::string>& args, RadioArgs& out, std::string& error);
// POINT:KIND, KIND one of silent, wrong, hangup, noise, late=MS; a trailing
// "*" makes it fire every time.
bool ParseFault(const std::string& text, Fault& fault, std::string& error);
std::string RadioUsage();
