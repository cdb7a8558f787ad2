#pragma once
#include "TempDir.h"

#include <string>

// What a USB serial adapter tells the system about itself; an empty field
// is left out of the tree.
struct UsbAdapter {
    std::string vendorId;
    std::string productId;
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// A folder shaped like the system's device tree (/sys), made by a test: a
// character device (a pseudo-terminal, say) is entered under dev/char as a
// tty of a USB adapter, or of no adapter at all, as a built-in port is.
class SysfsTree {
public:
    SysfsTree();

    bool Ok() const { return dir.Ok(); }
    const std::string& Root() const { return dir.Path(); }

    // device: a character device file; ttyName: its name in the tree
    // ("ttyUSB0"). False when the device cannot be read.
    bool AddUsbTty(const std::string& device, const std::string& ttyName, const UsbAdapter& adapter);
    bool AddPlainTty(const std::string& device, const std::string& ttyName);

private:
    bool Enter(const std::string& device, const std::string& folder);

    TempDir dir;
    int nextBus = 1;
};
