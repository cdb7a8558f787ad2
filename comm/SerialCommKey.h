#pragma once
#include <string>
#include <vector>

// Windows: what the serial drivers register under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, one value a present port: its name is
// the driver's device ("\Device\Serial0", "\Device\VCP0"), its data the
// port's name ("COM3"). Read afresh at each call, in the registry's order;
// empty when the key is missing (no port registered).
struct SerialCommEntry {
    std::string device;  // the value's name
    std::string port;    // its data
};

std::vector<SerialCommEntry> ReadSerialCommKey();
