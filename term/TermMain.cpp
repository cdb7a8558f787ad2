#include "TermMain.h"

#include "ConsoleHost.h"
#include "ExitStatus.h"
#include "FirmImages.h"
#include "MultiMain.h"
#include "OutputWriter.h"
#include "Platform.h"
#include "PortInfo.h"
#include "TermOptions.h"
#include "TraceLog.h"
#include "TracingSerialDriver.h"
#include "clsMainSeq.h"

#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

constexpr const char* TraceVariable = "RX77NOVA_TRACE";

std::string ProgramName()
{
    const std::string name = ProgramFileName();
    return name.empty() ? "rx77nova-update" : name;
}

// Text for standard output, and the status that says whether it got there.
int Print(const std::string& text)
{
    OutputWriter out(1);
    out.sputn(text.data(), static_cast<std::streamsize>(text.size()));
    if (out.Finish(-1) && !out.Failed()) {
        return ExitStatus::Done;
    }
    std::cerr << ProgramName() << ": the output could not be written: " << out.ErrorText() << '\n';
    return ExitStatus::OutputFailed;
}

int ListPorts()
{
    const std::vector<PortInfo> ports = DescribePorts(PlatformComPorts());
    std::string text;
    for (const PortInfo& port : ports) {
        text += PortInfoLine(port) + '\n';
    }
    if (ports.empty()) {
        std::cerr << "No COM port found.\n";
    }
    return Print(text);
}

// One copy in all: a window or another terminal may hold the lock.
int LockRefusal(const TermStart& start)
{
    if (start.lock == InstanceLock::State::HeldElsewhere) {
        std::cerr << ProgramName() << " is already running (one copy at a time, as a window or in a terminal).\n";
        return ExitStatus::SecondCopy;
    }
    std::cerr << ProgramName() << ": Cannot start: the lock that keeps a second copy from running cannot be made.\n"
              << start.lockProblem << '\n';
    return ExitStatus::LockFailed;
}

int Update(const TermOptions& options, const TermStart& start)
{
    if (start.lock != InstanceLock::State::Held) {
        return LockRefusal(start);
    }
    if (AsksForSeveral(options)) {
        return UpdateSeveral(options, start.hooks);
    }
    ConsoleHost host;  // the signals are held back from here on
    int status = 0;
    {
        std::unique_ptr<TraceLog> trace;
        SeqPlatform platform;
        if (options.trace) {
            trace = std::make_unique<TraceLog>(host.Err(), [&host] { return host.NowMs(); });
            platform.driver = std::make_unique<TracingSerialDriver>(PlatformSerialDriver(), *trace);
            platform.packetWatch = [log = trace.get()](const PacketNote& note) { log->Packet(note); };
        }
        clsMainSeq sequencer(BuiltInFirmware(), std::move(platform));
        const TermSettings settings {.port = options.port,
                                     .agree = options.agree,
                                     .yes = options.yes,
                                     .terminal = ConsoleHost::OutputIsTerminal()};
        TermSession session(sequencer, host, host.Out(), settings, start.hooks, trace.get());
        status = session.Run();
    }
    // The last lines may wait for a blocked output: the radio is done with
    // and the port closed, so this may wait (until a request to end comes).
    host.FinishOutput();
    return status;
}

} // namespace

int TermMain(const std::vector<std::string>& args, const TermStart& start)
{
    ConsoleHost::IgnoreBrokenPipe();
    const TermOptions options = ParseTermOptions(args, std::getenv(TraceVariable));
    switch (options.mode) {
    case TermOptions::Mode::Help:
        return Print(UsageText(ProgramName()));
    case TermOptions::Mode::Version:
        return Print(VersionText(ProgramName()));
    case TermOptions::Mode::ListPorts:
        return ListPorts();
    case TermOptions::Mode::Update:
        return Update(options, start);
    case TermOptions::Mode::Window:
        std::cerr << ProgramName() << ": this build has no windows; give --port N (see --help).\n";
        return ExitStatus::Usage;
    case TermOptions::Mode::Invalid:
        break;
    }
    std::cerr << ProgramName() << ": " << options.error << "\n"
              << SynopsisText(ProgramName()) << "Try '" << ProgramName() << " --help'.\n";
    return ExitStatus::Usage;
}
