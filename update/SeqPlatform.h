#pragma once
#include "ComResolver.h"
#include "SerialDriver.h"

#include <cstdint>
#include <functional>
#include <memory>

class TaskTimerSource;
class TickClock;

// A boot packet as the sequencer queued it for sending: its command byte,
// the field after it (a block's address, a sum's value, 0 for the end
// packet) and its length on the wire. For a trace; never needed to update.
struct PacketNote {
    uint8_t command = 0;
    uint32_t field = 0;
    int length = 0;
};

// What the sequencer takes from its surroundings. Every field left empty
// means the platform's own (Platform.h), except timers: without them the
// sequencer keeps plain timers of its own, on its clock, and runs them at
// every Step, so that a loop without Qt needs to do nothing more.
struct SeqPlatform {
    // Holds the thread for ms milliseconds (Flush's settle time).
    using HoldFunction = std::function<void(int ms)>;
    // Told of each boot packet before its bytes are queued.
    using PacketWatch = std::function<void(const PacketNote& note)>;

    std::unique_ptr<SerialDriver> driver {}; // the port's driver
    ComResolver resolver {};                 // COM number to device
    const TickClock* clock = nullptr;        // the time-outs' clock
    HoldFunction hold {};                    // a real sleep when empty
    TaskTimerSource* timers = nullptr;       // the send task's loop; outlives the sequencer
    PacketWatch packetWatch {};              // none when empty
};
