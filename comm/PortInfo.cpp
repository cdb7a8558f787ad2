#include "PortInfo.h"

namespace {

void AddField(std::string& line, const std::string& field)
{
    if (!field.empty()) {
        line += "  " + field;
    }
}

// "FTDI FT232R USB UART"; a product name that already begins with the
// maker's name is not given it twice.
std::string AdapterName(const PortInfo& info)
{
    if (info.manufacturer.empty() || info.product.rfind(info.manufacturer, 0) == 0) {
        return info.product;
    }
    return info.product.empty() ? info.manufacturer : info.manufacturer + " " + info.product;
}

} // namespace

std::vector<PortInfo> DescribePorts(const std::vector<ComPort>& ports, const std::string& sysRoot)
{
    std::vector<PortInfo> described;
    for (const ComPort& port : ports) {
        if (port.present) {
            described.push_back(DescribePort(port, sysRoot));
        }
    }
    return described;
}

std::string PortInfoLine(const PortInfo& info)
{
    std::string line = "COM" + std::to_string(info.number);
    AddField(line, info.device);
    AddField(line, AdapterName(info));
    if (!info.vendorId.empty() || !info.productId.empty()) {
        AddField(line, info.vendorId + ":" + info.productId);
    }
    if (!info.serial.empty()) {
        AddField(line, "serial " + info.serial);
    }
    return line;
}
