#pragma once
#include "OutputWriter.h"
#include "TermHost.h"

#include <cstdint>
#include <ostream>
#include <string>

// The terminal form on the system: standard input for the answers, standard
// output and error that never hold the loop up (OutputWriter), the requests
// to end taken as input rather than letting them end the process, and the
// monotonic clock. One implementation per platform: the signals that end a
// process by default on Linux (EndingSignals, ConsoleHostLinux.cpp); Ctrl+C,
// Ctrl+Break and the console's close, logoff and shutdown events on Windows
// (ConsoleHostWindows.cpp).
class ConsoleHost final : public TermHost {
public:
    // Holds the requests to end back from now on; make it before any thread
    // exists (or call HoldSignalsBack first). One at a time in a process.
    ConsoleHost();
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    Wake RestAfterTick(const Rest& rest) override;
    bool ReadLine(std::string& line) override;
    int64_t NowMs() const override;
    std::string OutputProblem() const override;
    void ErrorLine(const std::string& text) override;
    int Columns() const override { return OutputColumns(); }

    std::ostream& Out() { return outStream; }
    std::ostream& Err() { return errStream; }
    // Waits until all held output is written, the output fails or a request
    // to end comes; false when the output failed or text was left unwritten.
    bool FinishOutput();

    // The requests to end that the host takes, for --help:
    // "Ctrl+C, SIGTERM, SIGHUP and SIGQUIT".
    static const char* EndRequestNames();
    // Holds the requests to end back in this thread and every thread started
    // from now on; call before any thread exists.
    static void HoldSignalsBack();
    // A closed output is an output error, not the end of the process.
    static void IgnoreBrokenPipe();

    // Standard output is a terminal (progress bars) rather than a file or pipe.
    static bool OutputIsTerminal();
    // The width of the terminal on standard output in columns; 0 when unknown.
    static int OutputColumns();

private:
    // Waits up to ms for a request to end or (wantInput) for input.
    Wake Watch(bool wantInput, int ms);
    // A whole line, the input's end, or an overlong line waits in pending.
    bool LineReady() const;
    // Adds what standard input holds now to pending; false when nothing came.
    void TakeInput();

    intptr_t wakeHandle = -1;  // the platform's: the signalfd, or the event the control handler sets
    OutputWriter outWriter;
    OutputWriter errWriter;
    std::ostream outStream;
    std::ostream errStream;
    std::string pending;      // input read ahead of the line asked for
    bool inputEnded = false;
    bool skipping = false;    // an overlong line's rest is dropped up to its end
};
