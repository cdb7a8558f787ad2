#include "Platform.h"

#include "PortList.h"
#include "SerialDriverWindows.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace {

constexpr int kLowestCom = 1;
constexpr int kHighestCom = 256;

// Where the serial drivers register their ports: one value a device, its
// data the port name ("COM3").
constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

std::string DeviceName(int number)
{
    return "\\\\.\\COM" + std::to_string(number);
}

// GetTickCount wraps after about 49.7 days, as the count-downs expect.
class WindowsTickClock final : public TickClock {
public:
    uint32_t Now() const override { return GetTickCount(); }
};

// The value names of the open key, in the registry's order.
std::vector<std::string> ValueNames(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[16384];  // the longest value name the registry allows
        DWORD length = sizeof name;
        const LONG result = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result == ERROR_SUCCESS) {
            names.emplace_back(name, length);
        }
    }
    return names;
}

// The string data of a value; empty when it cannot be read.
std::string StringValue(HKEY key, const std::string& name)
{
    char data[256] {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return std::string(data, strnlen(data, size));
}

} // namespace

std::unique_ptr<SerialDriver> PlatformSerialDriver()
{
    return std::make_unique<SerialDriverWindows>();
}

ComResolver PlatformComResolver()
{
    return [](int number) -> std::optional<std::string> {
        if (number < kLowestCom || number > kHighestCom) {
            return std::nullopt;
        }
        return DeviceName(number);
    };
}

// Every registered device is there: drivers remove the value when the
// device goes.
std::vector<ComPort> PlatformComPorts()
{
    std::vector<ComPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (const std::string& name : ValueNames(key)) {
        const int number = PortNumberOf(StringValue(key, name));
        ports.push_back({number, DeviceName(number), true});
    }
    RegCloseKey(key);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const ComPort& a, const ComPort& b) { return a.number < b.number; });
    return ports;
}

std::string ProgramFileName()
{
    char path[MAX_PATH + 1] {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return {};
    }
    const std::string full(path, n);
    const auto separator = full.find_last_of("\\/:");
    return separator == std::string::npos ? full : full.substr(separator + 1);
}

const TickClock& PlatformClock()
{
    static const WindowsTickClock clock;
    return clock;
}
