#pragma once

#include <chrono>

// The radio's receive line when it is paced: the program's bytes reach the
// radio one byte time apart, counted from when they were first seen waiting.
class ReceivePacer {
public:
    using Clock = std::chrono::steady_clock;

    // A byte time of 0 lets everything through at once.
    explicit ReceivePacer(Clock::duration byteTime) : byteTime(byteTime) {}

    bool Paced() const { return byteTime.count() > 0; }
    // Input is waiting at `now`: true when one more byte may be taken.
    bool MayTake(Clock::time_point now);
    void Took();
    // Nothing is waiting any more: the line is idle.
    void Drained() { idle = true; }
    Clock::time_point NextAllowed() const { return nextByte; }

private:
    Clock::duration byteTime;
    Clock::time_point nextByte{};
    bool idle = true;
};
