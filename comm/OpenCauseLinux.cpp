#include "OpenCause.h"

#include "Platform.h"
#include "PortList.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Com(int number)
{
    return "COM" + std::to_string(number);
}

// "COM5 (/dev/ttyUSB0)", or "COM5" when the number names no device.
std::string ComWithDevice(int number, const std::string& device)
{
    return device.empty() ? Com(number) : Com(number) + " (" + device + ")";
}

std::string GroupOf(const std::string& device)
{
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) {
        return "dialout";
    }
    const group* entry = getgrgid(info.st_gid);
    return entry != nullptr ? entry->gr_name : std::to_string(info.st_gid);
}

std::string UserName()
{
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_name : "$USER";
}

std::string CommandOf(int pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "an unknown program" : name;
}

std::string PermissionText(int number, const std::string& device)
{
    const std::string group = GroupOf(device);
    return "Cause: you may not use " + ComWithDevice(number, device) + ": you are not in the group " + group
        + ". Run \"sudo usermod -aG " + group + " " + UserName() + "\", then log in again.";
}

std::string BusyText(int number, const std::string& device)
{
    const std::vector<PortHolder> holders = device.empty() ? std::vector<PortHolder>() : PortHolders(device);
    std::string text = "Cause: " + ComWithDevice(number, device) + " is in use by ";
    if (holders.empty()) {
        return text + "another program.";
    }
    for (size_t i = 0; i < holders.size(); ++i) {
        text += (i == 0 ? "" : ", ") + holders[i].program + " (process " + std::to_string(holders[i].pid) + ")";
    }
    return text + ".";
}

std::string MissingText(int number, const std::string& device, const std::vector<ComPort>& ports)
{
    if (!device.empty()) {
        return "Cause: " + Com(number) + " would be " + device + ", but no serial device is there.";
    }
    std::string text = "Cause: no serial device is numbered " + Com(number) + ".";
    std::string present;
    for (const ComPort& port : ports) {
        if (port.present) {
            present += (present.empty() ? "" : ", ") + ComWithDevice(port.number, PortDevicePath(port.number, ports));
        }
    }
    return text + (present.empty() ? " No serial port is present." : " Present: " + present + ".");
}

} // namespace

std::vector<PortHolder> PortHolders(const std::string& device)
{
    std::vector<PortHolder> holders;
    std::error_code error;
    const fs::path target = fs::canonical(device, error);
    if (error) {
        return holders;
    }
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const int pid = std::stoi(name);
        if (pid == getpid()) {
            continue;
        }
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == target && !linkError) {
                holders.push_back({pid, CommandOf(pid)});
                break;
            }
        }
    }
    return holders;
}

std::string OpenCauseText(int number, OpenFailure failure, int error, const std::vector<ComPort>& ports)
{
    const std::string device = PortDevicePath(number, ports);
    switch (failure) {
    case OpenFailure::None:
        return {};
    case OpenFailure::Permission:
        return PermissionText(number, device);
    case OpenFailure::Busy:
        return BusyText(number, device);
    case OpenFailure::Missing:
        return MissingText(number, device, ports);
    case OpenFailure::NotSerial:
        return "Cause: " + ComWithDevice(number, device) + " is not a serial device.";
    case OpenFailure::AlreadyOpen:
        return "Cause: " + ComWithDevice(number, device) + " is open already.";
    case OpenFailure::Refused:
        return "Cause: " + ComWithDevice(number, device) + " refused the line settings.";
    case OpenFailure::Other:
        break;
    }
    return "Cause: " + ComWithDevice(number, device) + " could not be opened"
        + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) + ".";
}

std::string OpenCauseText(int number, OpenFailure failure, int error)
{
    return OpenCauseText(number, failure, error, PlatformComPorts());
}
