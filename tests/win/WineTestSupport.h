#pragma once
#include "PlainTaskTimers.h"

#include <functional>
#include <string>

// What the Windows tests share. They run under Wine, started by
// tests/win/wine-case, which links a COM number to the emulated radio.

// The COM number linked to the emulated radio (RX77NOVA_WINE_COM); 0 when
// the test was started without one.
int LinkedCom();

// A COM number that names no device in the test's Wine prefix.
constexpr int kUnlinkedCom = 240;

// The test's loop: plain timers on the system clock, turned about every
// millisecond while the test waits for something.
class WineLoop {
public:
    WineLoop();
    TaskTimerSource& Timers() { return timers; }
    // Turns the loop until done() holds or limitMs have passed; returns done().
    bool RunUntil(const std::function<bool()>& done, int limitMs = 10000);

private:
    PlainTaskTimers timers;
};

// Runs this test program again with the arguments and waits for it; gives
// its exit code, or -1 when it could not be started.
int RunThisProgram(const std::string& arguments);
