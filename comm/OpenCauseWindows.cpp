#include "OpenCause.h"

#include "Platform.h"

#include <cstring>

namespace {

std::string Com(int number)
{
    return "COM" + std::to_string(number);
}

std::string MissingText(int number, const std::vector<ComPort>& ports)
{
    std::string present;
    for (const ComPort& port : ports) {
        if (port.present) {
            present += (present.empty() ? "" : ", ") + Com(port.number);
        }
    }
    return "Cause: no serial device is numbered " + Com(number) + "."
        + (present.empty() ? " No serial port is present." : " Present: " + present + ".");
}

} // namespace

// Windows tells no one which process holds a device open.
std::vector<PortHolder> PortHolders(const std::string& device)
{
    (void)device;
    return {};
}

std::string OpenCauseText(int number, OpenFailure failure, int error, const std::vector<ComPort>& ports)
{
    switch (failure) {
    case OpenFailure::None:
        return {};
    case OpenFailure::Permission:
        return "Cause: you may not use " + Com(number) + ".";
    case OpenFailure::Busy:
        return "Cause: " + Com(number) + " is in use by another program.";
    case OpenFailure::Missing:
        return MissingText(number, ports);
    case OpenFailure::NotSerial:
        return "Cause: " + Com(number) + " is not a serial device.";
    case OpenFailure::AlreadyOpen:
        return "Cause: " + Com(number) + " is open already.";
    case OpenFailure::Refused:
        return "Cause: " + Com(number) + " refused the line settings.";
    case OpenFailure::Other:
        break;
    }
    return "Cause: " + Com(number) + " could not be opened"
        + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) + ".";
}

std::string OpenCauseText(int number, OpenFailure failure, int error)
{
    return OpenCauseText(number, failure, error, PlatformComPorts());
}
