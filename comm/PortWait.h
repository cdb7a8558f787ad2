#pragma once
#include "SerialDriver.h"

#include <vector>

// Waits up to ms for new bytes on any of several ports at once, so that one
// loop can tick many radios and answer each the moment its bytes arrive.
// Bytes already waiting do not end the wait (they were left for a later
// step); neither does a hung-up line: the time then just passes, as with
// one port's WaitForInput. True when new bytes arrived. One implementation
// per platform: poll on the descriptors on Linux (PortWaitLinux.cpp), the
// receive counts looked at every millisecond on Windows (PortWaitWindows.cpp).
bool WaitForAnyInput(const std::vector<SerialDriver*>& drivers, int ms);
