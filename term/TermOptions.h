#pragma once
#include <string>
#include <vector>

// What the command line asks for. Without options the program is the
// windowed program it always was; with them it works in the terminal.
struct TermOptions {
    enum class Mode {
        Window,     // no option: the windows
        Help,       // --help: usage, options and exit statuses
        Version,    // --version: the program's version
        ListPorts,  // --list-ports: one line a port
        Update,     // --port N: the update in the terminal
        Invalid,    // error says why
    };
    Mode mode = Mode::Window;
    int port = 0;        // 1 ... 256 with Update: the first port given
    std::vector<int> ports;  // every port given (--port 5 --port 7, --port 5,7)
    bool all = false;    // --all: every USB serial port that answers as the radio
    int retry = 0;       // --retry N: a failed radio is tried again up to N times
    bool agree = false;  // --agree: the caution notice is agreed to
    bool yes = false;    // --yes: the version question is answered yes
    bool trace = false;  // --trace (or RX77NOVA_TRACE=1)
    std::string error;   // with Invalid
};

// Several radios at once (or --retry): the terminal form for several radios.
bool AsksForSeveral(const TermOptions& options);

// Reads the arguments after the program's name. traceVariable is the value
// of RX77NOVA_TRACE (null when unset); "1" turns the trace on.
TermOptions ParseTermOptions(const std::vector<std::string>& args, const char* traceVariable = nullptr);

// True when args hold anything but the toolkit's own options (-platform
// offscreen, -style fusion, ...): the program must then not start its
// windows, and the terminal form takes the arguments (and refuses those it
// does not know).
bool AsksForTerminal(const std::vector<std::string>& args);

// The usage text of --help: synopsis, options and the exit status table.
std::string UsageText(const std::string& program);
// The synopsis alone, shown with a wrong option.
std::string SynopsisText(const std::string& program);
// "rx77nova-update 1.0.0"
std::string VersionText(const std::string& program);
