#include "PortBoxList.h"

#include "Platform.h"
#include "PortList.h"

#include <QComboBox>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// The device a port's file leads to, links followed: "/dev/ttyUSB0".
QString DeviceOf(int number, const std::vector<ComPort>& ports)
{
    const std::string path = PortDevicePath(number, ports);
    if (path.empty()) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(path, error);
    return QString::fromStdString(error ? path : device.string());
}

} // namespace

void FillPortList(QComboBox* box)
{
    const QString typed = box->currentText();
    const std::vector<ComPort> ports = PlatformComPorts();
    std::vector<std::string> numbers;
    EnumeratePorts(numbers, ports);
    box->clear();
    for (const std::string& number : numbers) {
        const QString text = QString::fromStdString(number);
        box->addItem(text);
        const QString device = DeviceOf(PortNumberOf(number), ports);
        if (!device.isEmpty()) {
            box->setItemData(box->count() - 1, QStringLiteral("COM%1: %2").arg(text, device), Qt::ToolTipRole);
        }
    }
    box->setEditText(typed);
}
