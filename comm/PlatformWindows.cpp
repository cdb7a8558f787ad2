#include "Platform.h"

#include "PortList.h"
#include "SerialCommKey.h"
#include "SerialDriverWindows.h"

#include <algorithm>
#include <windows.h>

namespace {

constexpr int kLowestCom = 1;
constexpr int kHighestCom = 256;

std::string DeviceName(int number)
{
    return "\\\\.\\COM" + std::to_string(number);
}

// GetTickCount wraps after about 49.7 days, as the count-downs expect.
class WindowsTickClock final : public TickClock {
public:
    uint32_t Now() const override { return GetTickCount(); }
};

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
    for (const SerialCommEntry& entry : ReadSerialCommKey()) {
        const int number = PortNumberOf(entry.port);
        ports.push_back({number, DeviceName(number), true});
    }
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
