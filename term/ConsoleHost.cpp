#include "ConsoleHost.h"

#include "TickRhythm.h"

// The same on every platform: a request to end or a typed line is taken at
// once; a short rest waits on the port, so the radio's answer is taken the
// moment it arrives and the next packet leaves at once, and then looks again
// for what came meanwhile; a long rest (the port closed, nothing running)
// waits on the console alone. Output held back is written at each rest.
TermHost::Wake ConsoleHost::RestAfterTick(const Rest& rest)
{
    outWriter.Pump();
    errWriter.Pump();
    const Wake now = Watch(rest.wantInput, 0);
    if (now.signal != 0 || now.input) {
        return now;
    }
    if (rest.waitOnPort && rest.ms <= TickRhythm::BusyMs) {
        rest.waitOnPort(rest.ms);
        return Watch(rest.wantInput, 0);
    }
    return Watch(rest.wantInput, rest.ms);
}

std::string ConsoleHost::OutputProblem() const
{
    if (outWriter.Failed()) {
        return "standard output: " + outWriter.ErrorText();
    }
    if (errWriter.Failed()) {
        return "standard error: " + errWriter.ErrorText();
    }
    return {};
}

void ConsoleHost::ErrorLine(const std::string& text)
{
    errStream << text << '\n' << std::flush;
}

bool ConsoleHost::LineReady() const
{
    return inputEnded || pending.find('\n') != std::string::npos || pending.size() >= MaxLineBytes;
}

// Lines are read ahead in blocks and kept here for the next question.
bool ConsoleHost::ReadLine(std::string& line)
{
    line.clear();
    const size_t end = pending.find('\n');
    if (end != std::string::npos && end < MaxLineBytes) {
        line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return true;
    }
    if (pending.size() >= MaxLineBytes) {
        // Overlong: taken as an empty line, and the rest of it is dropped.
        skipping = end == std::string::npos;
        pending.erase(0, end == std::string::npos ? pending.size() : end + 1);
        return true;
    }
    if (!inputEnded || pending.empty()) {
        return false;
    }
    line.swap(pending);
    return true;
}
