#include "PortInfo.h"

#include "PortList.h"
#include "SerialCommKey.h"

// What the system's port registry says: the driver's device behind the COM
// number ("\Device\Serial0"). The adapter's USB identity is not read here:
// the registry key that lists the ports does not hold it. sysRoot is the
// Linux device tree's and has no meaning on Windows.
PortInfo DescribePort(const ComPort& port, const std::string& sysRoot)
{
    (void)sysRoot;
    PortInfo info;
    info.number = port.number;
    for (const SerialCommEntry& entry : ReadSerialCommKey()) {
        if (PortNumberOf(entry.port) == port.number) {
            info.device = entry.device;
            break;
        }
    }
    return info;
}
