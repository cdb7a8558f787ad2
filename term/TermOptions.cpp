#include "TermOptions.h"

#include "ConsoleHost.h"
#include "ExitStatus.h"
#include "SceneTable.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

using Mode = TermOptions::Mode;

// The options, with the text --help gives each.
struct OptionRow {
    const char* name;
    const char* argument;
    const char* help;
};

const OptionRow Options[] = {
    {"--port", "N", "update the radio on COM port N (1-256) in this terminal, without a window"},
    {"--port", "N,M", "several radios at once: --port 5,7,9 or --port 5 --port 7 (see below)"},
    {"--all", "", "every USB serial port whose radio answers in update mode, at once"},
    {"--retry", "N", "with several radios: try a failed radio again up to N times, after its power cycle"},
    {"--agree", "", "agree to the caution notice without being asked"},
    {"--yes", "", "answer yes to the question before the writing (versions and write time)"},
    {"--trace", "", "write a trace of the update to standard error (also RX77NOVA_TRACE=1)"},
    {"--list-ports", "", "list the COM ports, with the adapter behind each, and end"},
    {"--help", "", "show this text and end (also -h); it wins over the other options"},
    {"--version", "", "show the program's version and end"},
};

// The toolkit's own options, which the window takes (with one dash or two);
// those marked take the next argument as their value unless given "=value".
struct ToolkitOption {
    const char* name;
    bool value;
};

const ToolkitOption ToolkitOptions[] = {
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true}, {"qwindowtitle", true}, {"session", true},
    {"display", true}, {"geometry", true}, {"style", true}, {"stylesheet", true},
    {"reverse", false}, {"widgetcount", false}, {"nograb", false}, {"dograb", false}, {"sync", false},
};

// The toolkit option arg names; null when it is none.
const ToolkitOption* FindToolkitOption(const std::string& arg)
{
    if (arg.size() < 2 || arg[0] != '-') {
        return nullptr;
    }
    std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
    name = name.substr(0, name.find('='));
    for (const ToolkitOption& option : ToolkitOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// The option's name as --help gives it: -h is --help, --port=N is --port.
std::string CanonicalName(const std::string& arg)
{
    if (arg == "-h") {
        return "--help";
    }
    return arg.substr(0, arg.find('='));
}

TermOptions Invalid(std::string why)
{
    TermOptions options;
    options.mode = Mode::Invalid;
    options.error = std::move(why);
    return options;
}

// A port number as the user gives it: decimal digits only.
bool ReadPort(const std::string& text, int& port)
{
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, port);
    return !text.empty() && error == std::errc() && at == end;
}

// "5,7,9" into ports; false with options.error set when it is wrong.
bool ReadPorts(const std::string& value, TermOptions& options)
{
    size_t from = 0;
    for (;;) {
        const size_t comma = value.find(',', from);
        const std::string part = value.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        int port = 0;
        if (!ReadPort(part, port)) {
            options.error = "--port needs a COM port number, not \"" + value + "\"";
            return false;
        }
        if (port < 1 || port > 256) {
            options.error = std::string(OutOfRangeText) + " (1 - 256)";
            return false;
        }
        if (std::find(options.ports.begin(), options.ports.end(), port) != options.ports.end()) {
            options.error = "COM port " + std::to_string(port) + " is given twice";
            return false;
        }
        options.ports.push_back(port);
        if (comma == std::string::npos) {
            break;
        }
        from = comma + 1;
    }
    options.port = options.ports.front();
    return true;
}

// The value of an option given as "--name V" or "--name=V"; false with
// options.error set when it is missing.
bool OptionValue(const std::vector<std::string>& args, size_t& i, const char* name, std::string& value,
                 TermOptions& options)
{
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) {
            options.error = std::string(name) + " needs a value";
            return false;
        }
        value = args[++i];
    } else {
        value = arg.substr(std::strlen(name) + 1);
    }
    return true;
}

// One argument into options; false with options.error set when it is wrong.
bool TakeArgument(const std::vector<std::string>& args, size_t& i, TermOptions& options, bool& portGiven)
{
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
        options.mode = Mode::Help;
    } else if (arg == "--version") {
        options.mode = options.mode == Mode::Help ? Mode::Help : Mode::Version;
    } else if (arg == "--list-ports") {
        options.mode = options.mode == Mode::Window ? Mode::ListPorts : options.mode;
    } else if (arg == "--agree") {
        options.agree = true;
    } else if (arg == "--yes") {
        options.yes = true;
    } else if (arg == "--trace") {
        options.trace = true;
    } else if (arg == "--all") {
        options.all = true;
        portGiven = true;
    } else if (arg == "--retry" || arg.rfind("--retry=", 0) == 0) {
        std::string value;
        if (!OptionValue(args, i, "--retry", value, options)) {
            return false;
        }
        if (!ReadPort(value, options.retry) || options.retry < 0 || options.retry > 99) {
            options.error = "--retry needs a number of tries (0 - 99), not \"" + value + "\"";
            return false;
        }
    } else if (arg == "--port" || arg.rfind("--port=", 0) == 0) {
        std::string value;
        if (!OptionValue(args, i, "--port", value, options) || !ReadPorts(value, options)) {
            if (options.error == "--port needs a value") {
                options.error = "--port needs a COM port number";
            }
            return false;
        }
        portGiven = true;
    } else if (FindToolkitOption(arg) != nullptr) {
        options.error = "\"" + arg + "\" is an option of the window, not of the terminal form";
        return false;
    } else {
        options.error = "unknown option \"" + arg + "\"";
        return false;
    }
    return true;
}

// An option given twice is refused rather than one of them silently taken;
// --port may be given once for each radio.
bool Repeated(const std::vector<std::string>& args, size_t i, std::string& why)
{
    const std::string name = CanonicalName(args[i]);
    if (name.rfind("--", 0) != 0 || name == "--port") {
        return false;
    }
    for (size_t j = 0; j < i; ++j) {
        // A value after --port or --retry is not an option of its own.
        const bool value = j > 0 && (args[j - 1] == "--port" || args[j - 1] == "--retry");
        if (!value && CanonicalName(args[j]) == name) {
            why = name + " is given twice";
            return true;
        }
    }
    return false;
}

} // namespace

TermOptions ParseTermOptions(const std::vector<std::string>& args, const char* traceVariable)
{
    TermOptions options;
    if (args.empty()) {
        return options;
    }
    bool portGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string why;
        if (Repeated(args, i, why)) {
            return Invalid(why);
        }
        if (!TakeArgument(args, i, options, portGiven)) {
            return Invalid(options.error);
        }
    }
    if (options.mode == Mode::Help || options.mode == Mode::Version) {
        return options;
    }
    if (options.mode == Mode::ListPorts) {
        if (portGiven || options.agree || options.yes || options.trace) {
            return Invalid("--list-ports goes alone: it lists the ports and ends, whatever else is asked");
        }
        return options;
    }
    if (!portGiven) {
        return Invalid("--agree, --yes, --trace and --retry go with --port N or --all");
    }
    if (options.all && !options.ports.empty()) {
        return Invalid("--all takes every port that answers: give it without --port");
    }
    options.mode = Mode::Update;
    if (traceVariable != nullptr && std::strcmp(traceVariable, "1") == 0) {
        options.trace = true;
    }
    return options;
}

bool AsksForSeveral(const TermOptions& options)
{
    return options.all || options.ports.size() > 1 || options.retry > 0;
}

bool AsksForTerminal(const std::vector<std::string>& args)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const ToolkitOption* option = FindToolkitOption(args[i]);
        if (option == nullptr) {
            return true;
        }
        if (option->value && args[i].find('=') == std::string::npos) {
            if (i + 1 >= args.size()) {
                return true;  // a value missing: the terminal form says what is wrong
            }
            ++i;
        }
    }
    return false;
}

std::string SynopsisText(const std::string& program)
{
    return "Usage: " + program + "                        the windowed program\n"
        + "       " + program + " --port N [--agree] [--yes] [--trace]\n"
        + "       " + program + " --port N,M... | --all [--retry N] [--agree] [--yes] [--trace]\n"
        + "       " + program + " --list-ports\n"
        + "       " + program + " --help | --version\n";
}

std::string VersionText(const std::string& program)
{
    return program + " " + RX_VERSION + "\n";
}

std::string UsageText(const std::string& program)
{
    std::string text = SynopsisText(program) + "\nOptions:\n";
    for (const OptionRow& row : Options) {
        std::string left = std::string(row.name) + (*row.argument != 0 ? std::string(" ") + row.argument : "");
        left.resize(std::max<size_t>(left.size() + 2, 16), ' ');
        text += "  " + left + row.help + "\n";
    }
    text += std::string("\nWithout --agree and --yes the questions are asked in the terminal (y/N); an answer\n")
            + "other than y, the input's end or a line of " + std::to_string(TermHost::MaxLineBytes)
            + " bytes or more is no.\n"
            + std::string(ConsoleHost::EndRequestNames()) + "\nare refused while a processor is written; "
            + "the program then ends once the update\nhas ended, with its outcome's status.\n"
            + "\nExit status:\n";
    for (const ExitStatusRow& row : ExitStatusTable()) {
        std::string number = std::to_string(row.status);
        number.resize(4, ' ');
        text += "  " + number + row.meaning + "\n";
    }
    return text;
}
