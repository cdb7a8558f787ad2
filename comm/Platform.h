#pragma once
#include "ComResolver.h"
#include "SerialDriver.h"
#include "TickClock.h"

#include <memory>
#include <string>
#include <vector>

// What the core takes from the system. Each platform implements these in a
// file of its own (PlatformLinux.cpp), which the build picks; the clock is
// PlatformClock() (TickClock.h), the single-instance lock InstanceLock.

// A driver for the system's serial ports.
std::unique_ptr<SerialDriver> PlatformSerialDriver();

// COM numbers as this process's environment defines them, looked up afresh
// at every call.
ComResolver PlatformComResolver();

// Every numbered port, ascending by number, for the port list.
std::vector<ComPort> PlatformComPorts();

// The executable's file name without its folder ("" when it cannot be
// found); the caption of the fatal messages.
std::string ProgramFileName();
