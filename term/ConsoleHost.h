#pragma once
#include "TermHost.h"

// The terminal form on the system: standard input for the answers, the
// termination signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT) taken as input
// rather than letting them end the process, and the monotonic clock. One
// implementation per platform (ConsoleHostLinux.cpp).
class ConsoleHost final : public TermHost {
public:
    // Holds the signals back from now on; make it before any thread exists.
    ConsoleHost();
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    Wake Rest(bool busy, bool wantInput) override;
    bool ReadLine(std::string& line) override;
    int64_t NowMs() const override;

    // Standard output is a terminal (progress bars) rather than a file or pipe.
    static bool OutputIsTerminal();

private:
    int signalFd = -1;
};
