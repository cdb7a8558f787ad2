#include "MultiMain.h"

#include "ConsoleHost.h"
#include "ExitStatus.h"
#include "MultiSession.h"
#include "Platform.h"
#include "Scene.h"

#include <iostream>

std::vector<int> UsbSerialPorts(const std::vector<PortInfo>& ports)
{
    std::vector<int> numbers;
    for (const PortInfo& port : ports) {
        if (!port.vendorId.empty()) {
            numbers.push_back(port.number);
        }
    }
    return numbers;
}

int UpdateSeveral(const TermOptions& options, const TermHooks& hooks)
{
    ConsoleHost host;  // the signals are held back from here on
    MultiSettings settings {.ports = options.ports,
                            .agree = options.agree,
                            .yes = options.yes,
                            .terminal = ConsoleHost::OutputIsTerminal(),
                            .retries = options.retry,
                            .probing = options.all};
    if (options.all) {
        settings.ports = UsbSerialPorts(DescribePorts(PlatformComPorts()));
        if (settings.ports.empty()) {
            host.Err() << "No USB serial port found: connect the radio's cable, or give --port N.\n";
            host.FinishOutput();
            return static_cast<int>(Scene::PortUnavailable);
        }
    }
    const PlatformMaker platform = [](int) {
        SeqPlatform made;
        made.driver = PlatformSerialDriver();
        return made;
    };
    // The output never holds the loop up (ConsoleHost): a blocked or closed
    // output must not stall or end the writing of any radio.
    int status = 0;
    {
        MultiSession session(host, host.Out(), settings, platform, hooks, options.trace ? &host.Err() : nullptr);
        status = session.Run();
    }
    host.FinishOutput();
    return status;
}
