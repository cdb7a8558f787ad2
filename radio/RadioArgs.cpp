#include "RadioArgs.h"

#include "FaultPlan.h"

#include <charconv>

namespace {
bool ParseNumber(const std::string& text, int low, int high, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

struct FirmwareChoice {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    uint8_t mark;
};
constexpr FirmwareChoice firmwareChoices[] = {
    {"old", CpuFirmware::Older, DspFirmware::Older, 'E'},
    {"new", CpuFirmware::Newer, DspFirmware::Newer, 'E'},
    {"same", CpuFirmware::Same, DspFirmware::Same, 'E'},
    {"blank", CpuFirmware::Blank, DspFirmware::Blank, 'E'},
    {"badtext", CpuFirmware::BadText, DspFirmware::BadText, 'E'},
    {"refused", CpuFirmware::Older, DspFirmware::Older, 'J'},
};

bool ParseFirmware(const std::string& name, RadioOptions& options)
{
    for (const auto& choice : firmwareChoices) {
        if (name == choice.name) {
            options.cpu = choice.cpu;
            options.dsp = choice.dsp;
            options.variantMark = choice.mark;
            return true;
        }
    }
    return false;
}

bool ParseKind(std::string kind, Fault& fault)
{
    if (!kind.empty() && kind.back() == '*') {
        fault.everyTime = true;
        kind.pop_back();
    }
    const std::string late = "late=";
    if (kind.rfind(late, 0) == 0) {
        fault.kind = FaultKind::Late;
        return ParseNumber(kind.substr(late.size()), 0, 600000, fault.lateMs);
    }
    const std::string wrongAt = "wrong=";
    if (kind.rfind(wrongAt, 0) == 0) {
        fault.kind = FaultKind::WrongLater;
        return ParseNumber(kind.substr(wrongAt.size()), 1, 65535, fault.nth);
    }
    static constexpr struct {
        const char* name;
        FaultKind kind;
    } kinds[] = {{"silent", FaultKind::Silent},
                 {"wrong", FaultKind::WrongByte},
                 {"hangup", FaultKind::HangUp},
                 {"noise", FaultKind::Noise}};
    for (const auto& k : kinds) {
        if (kind == k.name) {
            fault.kind = k.kind;
            return true;
        }
    }
    return false;
}
}

std::string RadioUsage()
{
    return "usage: rx77nova-radio --port-dir DIR --com N [--firmware old|new|same|blank|badtext|refused]\n"
           "                      [--paced] [--echo-writer] [--system-area-matches] [--fault POINT:KIND]...\n"
           "  Emulates an RX-77NOVA in update mode on a pseudo-terminal linked as DIR/comN\n"
           "  (run the program with RX77NOVA_PORT_DIR=DIR). Serves until SIGINT or SIGTERM,\n"
           "  then prints what it saw. SIGUSR1 switches the radio off and on (update mode\n"
           "  again, flash kept, a hung-up line replaced).\n"
           "  POINT: ident boot marker sync key model version size writer writer_aa dsp_ready\n"
           "         sys_check sys_data data sum dsp_sum end blockN; cpu. or dsp. in front\n"
           "         limits it to one processor\n"
           "  KIND:  silent wrong hangup noise late=MS wrong=N (right until the N-th pass);\n"
           "         a trailing * fires it every time\n";
}

bool ParseFault(const std::string& text, Fault& fault, std::string& error)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        error = "fault \"" + text + "\" is not POINT:KIND";
        return false;
    }
    fault = Fault{};
    fault.point = text.substr(0, colon);
    if (!ParseKind(text.substr(colon + 1), fault)) {
        error = "fault \"" + text + "\": unknown kind";
        return false;
    }
    FaultPlan check;
    return check.Set({fault}, error);
}

bool ParseRadioArgs(const std::vector<std::string>& args, RadioArgs& out, std::string& error)
{
    out = RadioArgs{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--paced") {
            out.options.paced = true;
        } else if (arg == "--echo-writer") {
            out.options.echoWriter = true;
        } else if (arg == "--system-area-matches") {
            out.options.systemAreaMatches = true;
        } else if (arg == "--port-dir" || arg == "--com" || arg == "--firmware" || arg == "--fault") {
            if (!hasValue) {
                error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--port-dir") {
                out.portDir = value;
            } else if (arg == "--com") {
                if (!ParseNumber(value, 1, 256, out.com)) {
                    error = "--com " + value + ": not a number from 1 to 256";
                    return false;
                }
            } else if (arg == "--firmware") {
                if (!ParseFirmware(value, out.options)) {
                    error = "--firmware " + value + ": not old, new, same, blank, badtext or refused";
                    return false;
                }
            } else {
                Fault fault;
                if (!ParseFault(value, fault, error))
                    return false;
                out.options.faults.push_back(fault);
            }
        } else {
            error = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    if (out.help)
        return true;
    if (out.portDir.empty() || out.com == 0) {
        error = "--port-dir and --com are required";
        return false;
    }
    return true;
}
