#include "ComPorts.h"

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct DeviceFamily {
    const char* prefix;
    bool mayBeEmptyUart; // legacy ports exist as files with no UART behind them
};

constexpr DeviceFamily kFamilies[] = {
    {"ttyS", true},
    {"ttyUSB", false},
    {"ttyACM", false},
};

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// A character device that is a terminal, links followed: regular files,
// folders and other devices (/dev/null) are no serial port. The system's
// device tree tells most devices apart without opening them; a
// pseudo-terminal is not in it and is asked by opening it.
bool IsSerialDevice(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return false;
    }
    char subsystem[PATH_MAX] = {};
    const std::string link = "/sys/dev/char/" + std::to_string(major(info.st_rdev)) + ":"
        + std::to_string(minor(info.st_rdev)) + "/subsystem";
    const ssize_t length = readlink(link.c_str(), subsystem, sizeof(subsystem) - 1);
    if (length > 0) {
        const std::string target(subsystem, static_cast<size_t>(length));
        return target.size() >= 4 && target.compare(target.size() - 4, 4, "/tty") == 0;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // In use or not ours to open: still a device to offer. Gone: not.
        return errno != EIO && errno != ENXIO && errno != ENODEV;
    }
    const bool terminal = isatty(fd) != 0;
    close(fd);
    return terminal;
}

// "com7", "COM12": the number 1 ... 256; 0 for any other name.
int NumberOfEntry(const std::string& name)
{
    if (name.size() < 4 || name.size() > 6) {
        return 0;
    }
    std::string prefix = name.substr(0, 3);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string digits = name.substr(3);
    if (prefix != "com" || digits[0] == '0'
        || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return 0;
    }
    const int number = std::atoi(digits.c_str());
    return number >= ComPorts::kLowest && number <= ComPorts::kHighest ? number : 0;
}

} // namespace

ComPorts::ComPorts(std::string portDirectory, std::string deviceDirectory, std::string sysDirectory)
    : portDir(std::move(portDirectory))
    , devDir(std::move(deviceDirectory))
    , sysDir(std::move(sysDirectory))
{
}

std::vector<ComPort> ComPorts::Scan() const
{
    return portDir.empty() ? ScanDevices() : ScanPortDir();
}

std::optional<std::string> ComPorts::PathOf(int number) const
{
    for (const ComPort& port : Scan()) {
        if (port.number == number) {
            return port.path;
        }
    }
    return std::nullopt;
}

std::vector<ComPort> ComPorts::ScanPortDir() const
{
    std::vector<ComPort> ports;
    DIR* dir = opendir(portDir.c_str());
    if (dir == nullptr) {
        return ports; // a missing folder offers no port
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const int number = NumberOfEntry(name);
        if (number != 0) {
            const std::string path = portDir + "/" + name;
            ports.push_back({number, path, IsSerialDevice(path)});
        }
    }
    closedir(dir);
    // Folder order is arbitrary. "com3" and "COM3" are one port: the first
    // in name order stands for it, in the list and when opened.
    std::sort(ports.begin(), ports.end(), [](const ComPort& a, const ComPort& b) {
        return a.number != b.number ? a.number < b.number : a.path < b.path;
    });
    ports.erase(std::unique(ports.begin(), ports.end(),
                            [](const ComPort& a, const ComPort& b) { return a.number == b.number; }),
                ports.end());
    return ports;
}

std::vector<ComPort> ComPorts::ScanDevices() const
{
    std::vector<ComPort> ports;
    int next = kLowest;
    for (const DeviceFamily& family : kFamilies) {
        for (int index = 0; next <= kHighest; ++index) {
            const std::string name = family.prefix + std::to_string(index);
            const std::string path = devDir + "/" + name;
            if (!Exists(path)) {
                break;
            }
            const bool present = !family.mayBeEmptyUart || UartKnown(name, path);
            ports.push_back({next++, path, present});
        }
    }
    return ports;
}

// False only when the system says that no UART is behind the device file.
bool ComPorts::UartKnown(const std::string& name, const std::string& path) const
{
    std::ifstream typeFile(sysDir + "/class/tty/" + name + "/type");
    int type = -1;
    if (typeFile >> type) {
        return type != PORT_UNKNOWN;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return true; // not ours to open (no permission): still offer it
    }
    serial_struct serial {};
    const bool known = ioctl(fd, TIOCGSERIAL, &serial) != 0 || serial.type != PORT_UNKNOWN;
    close(fd);
    return known;
}
