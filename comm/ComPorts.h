#pragma once
#include "ComResolver.h"

#include <optional>
#include <string>
#include <vector>

// Linux: gives COM numbers to the serial devices, the same way for opening and for
// listing:
// - with a port directory (RX77NOVA_PORT_DIR), exactly its entries com1 ...
//   com256 (any case), each a link to a tty or the device itself; one port
//   a number (the first name in name order), present only when it is a
//   terminal;
// - otherwise ttyS0, ttyS1, ... then ttyUSB0, ... then ttyACM0, ... of the
//   device folder, numbered from COM1 on, each family ending at its first
//   missing index. A ttyS device whose UART type is unknown keeps its number
//   but is not present.
class ComPorts {
public:
    static constexpr int kLowest = 1;
    static constexpr int kHighest = 256;
    static constexpr const char* kPortDirVariable = "RX77NOVA_PORT_DIR";

    // An empty portDir scans devDir; sysDir is where the UART types are read.
    explicit ComPorts(std::string portDir, std::string devDir = "/dev", std::string sysDir = "/sys");

    // Every numbered port, ascending by number.
    std::vector<ComPort> Scan() const;
    // The device file that COM number opens; none for an unknown number.
    std::optional<std::string> PathOf(int number) const;

private:
    std::vector<ComPort> ScanPortDir() const;
    std::vector<ComPort> ScanDevices() const;
    bool UartKnown(const std::string& name, const std::string& path) const;

    std::string portDir;
    std::string devDir;
    std::string sysDir;
};
