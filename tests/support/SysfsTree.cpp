#include "SysfsTree.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

SysfsTree::SysfsTree() = default;

bool SysfsTree::AddUsbTty(const std::string& device, const std::string& ttyName, const UsbAdapter& adapter)
{
    // devices/pci0000:00/usbN/N-1 is the adapter; its interface N-1:1.0
    // holds the tty, as the kernel lays out a USB serial converter.
    const std::string bus = std::to_string(nextBus++);
    const std::string usb = "devices/pci0000:00/usb" + bus + "/" + bus + "-1";
    const struct {
        const char* name;
        const std::string& value;
    } fields[] = {{"idVendor", adapter.vendorId}, {"idProduct", adapter.productId},
                  {"manufacturer", adapter.manufacturer}, {"product", adapter.product}, {"serial", adapter.serial}};
    for (const auto& field : fields) {
        if (!field.value.empty()) {
            dir.WriteFile(usb + "/" + field.name, field.value + "\n");
        }
    }
    return Enter(device, usb + "/" + bus + "-1:1.0/" + ttyName + "/tty/" + ttyName);
}

bool SysfsTree::AddPlainTty(const std::string& device, const std::string& ttyName)
{
    return Enter(device, "devices/platform/serial8250/tty/" + ttyName);
}

bool SysfsTree::Enter(const std::string& device, const std::string& folder)
{
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || !dir.MakeFolder(folder) || !dir.MakeFolder("dev/char")) {
        return false;
    }
    const std::string number = std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
    dir.Link("dev/char/" + number, "../../" + folder);
    return true;
}
