#pragma once
#include <cstdint>
#include <string>

// What the terminal form's loop takes from its surroundings: the rest after
// each tick, the user's typed answers, the signals that ask it to end, and
// a millisecond clock. The system's is ConsoleHost; tests give one on
// virtual time.
class TermHost {
public:
    struct Wake {
        int signal = 0;      // a termination signal that came (its number), else 0
        bool input = false;  // a line of input (or its end) can be read
    };

    virtual ~TermHost() = default;
    // The rest after a tick: about a millisecond, shorter when a signal or
    // (wantInput) input comes. busy: the tick moved the sequencer.
    virtual Wake Rest(bool busy, bool wantInput) = 0;
    // One line of input without its end; false at the end of the input.
    virtual bool ReadLine(std::string& line) = 0;
    virtual int64_t NowMs() const = 0;
};
