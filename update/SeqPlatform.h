#pragma once
#include "ComResolver.h"
#include "SerialDriver.h"

#include <functional>
#include <memory>

class TaskTimerSource;
class TickClock;

// What the sequencer takes from its surroundings. Every field left empty
// means the platform's own (Platform.h), except timers: without them the
// sequencer keeps plain timers of its own, on its clock, and runs them at
// every Step, so that a loop without Qt needs to do nothing more.
struct SeqPlatform {
    // Holds the thread for ms milliseconds (Flush's settle time).
    using HoldFunction = std::function<void(int ms)>;

    std::unique_ptr<SerialDriver> driver {}; // the port's driver
    ComResolver resolver {};                 // COM number to device
    const TickClock* clock = nullptr;        // the time-outs' clock
    HoldFunction hold {};                    // a real sleep when empty
    TaskTimerSource* timers = nullptr;       // the send task's loop; outlives the sequencer
};
