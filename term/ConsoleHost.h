#pragma once
#include "TermHost.h"

#include <cstdint>

// The terminal form on the system: standard input for the answers, the
// requests to end taken as input rather than letting them end the process,
// and the monotonic clock. One implementation per platform: the signals
// SIGINT, SIGTERM, SIGHUP and SIGQUIT on Linux (ConsoleHostLinux.cpp); Ctrl+C,
// Ctrl+Break and the console's close, logoff and shutdown events on Windows
// (ConsoleHostWindows.cpp).
class ConsoleHost final : public TermHost {
public:
    // Holds the requests to end back from now on; make it before any thread
    // exists. One at a time in a process.
    ConsoleHost();
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    Wake RestAfterTick(const Rest& rest) override;
    bool ReadLine(std::string& line) override;
    int64_t NowMs() const override;

    // The requests to end that the host takes, for --help:
    // "Ctrl+C, SIGTERM, SIGHUP and SIGQUIT".
    static const char* EndRequestNames();

    // Standard output is a terminal (progress bars) rather than a file or pipe.
    static bool OutputIsTerminal();

private:
    // Waits up to ms for a request to end or (wantInput) for input.
    Wake Watch(bool wantInput, int ms);

    intptr_t wakeHandle = -1;  // the platform's: the signalfd, or the event the control handler sets
};
