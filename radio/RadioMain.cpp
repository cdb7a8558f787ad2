// rx77nova-radio: an emulated RX-77NOVA in update mode, for rehearsing an
// update without a radio.

#include "EmulatedRadio.h"
#include "RadioArgs.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    RadioArgs parsed;
    std::string error;
    if (!ParseRadioArgs(args, parsed, error)) {
        std::fprintf(stderr, "rx77nova-radio: %s\n%s", error.c_str(), RadioUsage().c_str());
        return 2;
    }
    if (parsed.help) {
        std::fputs(RadioUsage().c_str(), stdout);
        return 0;
    }

    // The worker thread inherits this mask, so only sigwait sees the signals.
    sigset_t stopSignals;  // and SIGUSR1, which switches the radio off and on
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    EmulatedRadio radio(parsed.options);
    if (!radio.Start() || !radio.LinkAs(parsed.portDir, parsed.com)) {
        std::fprintf(stderr, "rx77nova-radio: %s\n", radio.Error().c_str());
        return 1;
    }
    std::printf("COM%d %s\n", parsed.com, radio.DevicePath().c_str());
    std::printf("linked as %s/com%d; serving until SIGINT or SIGTERM (SIGUSR1: power cycle)\n",
                parsed.portDir.c_str(), parsed.com);
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && signal == SIGUSR1) {
        radio.PowerCycle();
        std::printf("power cycled: COM%d %s\n", parsed.com, radio.DevicePath().c_str());
        std::fflush(stdout);
    }
    radio.Stop();
    std::fputs(FormatReport(radio.Report()).c_str(), stdout);
    return 0;
}
