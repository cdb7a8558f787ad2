#include "Platform.h"

#include "ComPorts.h"
#include "SerialDriverLinux.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

// A port directory named by the environment replaces the device scan.
ComPorts PortsOfEnvironment()
{
    const char* dir = std::getenv(ComPorts::kPortDirVariable);
    return ComPorts(dir != nullptr ? dir : "");
}

// CLOCK_MONOTONIC in milliseconds, truncated to 32 bits.
class MonotonicTickClock final : public TickClock {
public:
    uint32_t Now() const override
    {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u
            + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
};

} // namespace

std::unique_ptr<SerialDriver> PlatformSerialDriver()
{
    return std::make_unique<SerialDriverLinux>();
}

ComResolver PlatformComResolver()
{
    return [](int number) { return PortsOfEnvironment().PathOf(number); };
}

std::vector<ComPort> PlatformComPorts()
{
    return PortsOfEnvironment().Scan();
}

std::string ProgramFileName()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    path[n] = '\0';
    const std::string full(path);
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

const TickClock& PlatformClock()
{
    static const MonotonicTickClock clock;
    return clock;
}
