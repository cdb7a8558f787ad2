#pragma once
#include "ComResolver.h"

#include <string>
#include <vector>

// What can be said about a numbered port: the device it opens and, for a USB
// adapter, what the adapter tells the system about itself. Fields the system
// does not know stay empty; nothing is made up.
struct PortInfo {
    int number = 0;
    std::string device;        // the device the port opens, links followed
                               // (Windows: the driver's device, "\Device\Serial0")
    std::string vendorId;      // USB vendor, four hex digits ("0403")
    std::string productId;     // USB product ("6001")
    std::string manufacturer;  // "FTDI"
    std::string product;       // "FT232R USB UART"
    std::string serial;        // "A10K3XYZ"
};

// The port described from the system's device tree under sysRoot ("/sys" on
// the system; tests give a tree of their own). One implementation per
// platform (PortInfoLinux.cpp, PortInfoWindows.cpp).
PortInfo DescribePort(const ComPort& port, const std::string& sysRoot = "/sys");

// The present ports of ports (as the port list offers them), described.
std::vector<PortInfo> DescribePorts(const std::vector<ComPort>& ports, const std::string& sysRoot = "/sys");

// One line for a port, fields two blanks apart, empty ones left out:
// "COM5  /dev/ttyUSB0  FTDI FT232R USB UART  0403:6001  serial A10K3XYZ".
std::string PortInfoLine(const PortInfo& info);
