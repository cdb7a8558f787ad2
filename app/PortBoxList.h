#pragma once
#include <string>

class QComboBox;

// Refills the list of box with the computer's serial port numbers, each with
// the port's description as tool tip, the line --list-ports prints
// ("COM5  /dev/ttyUSB0  FTDI FT232R USB UART  0403:6001  serial A10K3XYZ"),
// read from the device tree under sysRoot, and keeps the typed text.
void FillPortList(QComboBox* box, const std::string& sysRoot = "/sys");
