#pragma once
#include <cstdint>
#include <functional>
#include <string>

// What the terminal form's loop takes from its surroundings: the rest after
// each tick, the user's typed answers, the signals that ask it to end, the
// state of its output, and a millisecond clock. The system's is
// ConsoleHost; tests give one on virtual time.
class TermHost {
public:
    struct Wake {
        int signal = 0;      // a termination signal that came (its number), else 0
        bool input = false;  // a line of input (or its end) can be read
    };

    // What the loop asks of the rest after a tick.
    struct Rest {
        bool busy = false;       // the tick moved the sequencer
        bool wantInput = false;  // a question waits for a typed line
        int ms = 1;              // the longest the rest may last (the sequencer's TickWaitMs)
        // Waits up to its argument in ms for the radio's bytes; given for the
        // short rests, so that an answer is taken the moment it arrives.
        std::function<void(int)> waitOnPort;
    };

    // The longest answer taken: a longer line is taken as no.
    static constexpr size_t MaxLineBytes = 4096;

    virtual ~TermHost() = default;
    // The rest after a tick: at most rest.ms, shorter when a signal or
    // (wantInput) input comes, or the radio's bytes.
    virtual Wake RestAfterTick(const Rest& rest) = 0;
    // One line of input without its end; false at the end of the input. A
    // line of MaxLineBytes or more comes as an empty line.
    virtual bool ReadLine(std::string& line) = 0;
    virtual int64_t NowMs() const = 0;
    // Why the output can no longer be written ("standard output: Broken
    // pipe"); empty while it can.
    virtual std::string OutputProblem() const { return {}; }
    // A line for standard error, which the loop's output does not go to.
    virtual void ErrorLine(const std::string& text) { (void)text; }
    // The terminal's width in columns, asked at each redraw of a progress
    // bar; 0 when not known.
    virtual int Columns() const { return 0; }
};
