#pragma once
#include "PlainTaskTimers.h"

// The shared pieces most of these tests use.
#include "ManualClock.h"
#include "PortDirVariable.h"
#include "PtyPair.h"
#include "TempDir.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class cmcComm;

// The test's loop: plain timers on the system clock, turned about every
// half millisecond while the test waits for something.
class TestLoop {
public:
    TestLoop() : timers(PlatformClock()) {}

    PlainTaskTimers& Timers() { return timers; }
    // Turns the loop until done() holds or limitMs have passed; returns done().
    bool RunUntil(const std::function<bool()>& done, int limitMs = 10000);
    // Turns the loop for about ms milliseconds.
    void RunFor(int ms);

private:
    PlainTaskTimers timers;
};

// A port on the system's serial driver and COM numbering whose send task
// runs on timers.
std::unique_ptr<cmcComm> MakePlatformComm(TaskTimerSource& timers);

// count bytes of a pattern that shows misordered, lost or doubled bytes.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);
