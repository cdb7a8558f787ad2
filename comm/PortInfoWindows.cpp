#include "PortInfo.h"

#include "PortList.h"
#include "SerialCommKey.h"

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

namespace {

// A registry string of the device's key, or "".
std::string DeviceKeyString(HKEY key, const char* name)
{
    char data[256] {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS
        || type != REG_SZ) {
        return {};
    }
    return std::string(data);
}

// What Windows calls the adapter behind the port number, as its device
// manager shows it ("USB Serial Port (COM5)"); "" when no installed port
// device names that number (a port registered by other means).
std::string FriendlyName(int number)
{
    const HDEVINFO devices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string name;
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; name.empty() && SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string portName = DeviceKeyString(key, "PortName");
        RegCloseKey(key);
        if (portName.empty() || PortNumberOf(portName) != number) {
            continue;
        }
        char friendly[256] {};
        if (SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1, nullptr)) {
            name = friendly;
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return name;
}

} // namespace

// What the system's port registry says: the driver's device behind the COM
// number ("\Device\Serial0"), and the adapter's name from the device
// manager's list of ports where it has one. sysRoot is the Linux device
// tree's and has no meaning on Windows.
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
    info.product = FriendlyName(port.number);
    return info;
}
