#include "PortInfo.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, without its line end; "" when absent.
std::string ReadAttribute(const fs::path& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// The device tree's folder of a character device: sysRoot/dev/char/M:N, a
// link into sysRoot/devices, followed. Empty when the tree has none (a
// pseudo-terminal, a missing device).
fs::path DeviceFolder(const std::string& device, const fs::path& sysRoot)
{
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return {};
    }
    const fs::path link = sysRoot / "dev" / "char"
        / (std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)));
    std::error_code error;
    const fs::path folder = fs::canonical(link, error);
    return error ? fs::path() : folder;
}

// A USB adapter's folder is the nearest one above the tty's that names a
// vendor; other serial devices have none.
void ReadUsbFields(const fs::path& ttyFolder, const fs::path& sysRoot, PortInfo& info)
{
    std::error_code error;
    const fs::path root = fs::canonical(sysRoot, error);
    if (error) {
        return;
    }
    for (fs::path at = ttyFolder; at.has_relative_path() && at != root; at = at.parent_path()) {
        if (fs::exists(at / "idVendor", error)) {
            info.vendorId = ReadAttribute(at / "idVendor");
            info.productId = ReadAttribute(at / "idProduct");
            info.manufacturer = ReadAttribute(at / "manufacturer");
            info.product = ReadAttribute(at / "product");
            info.serial = ReadAttribute(at / "serial");
            return;
        }
    }
}

} // namespace

PortInfo DescribePort(const ComPort& port, const std::string& sysRoot)
{
    PortInfo info;
    info.number = port.number;
    std::error_code error;
    const fs::path device = fs::canonical(port.path, error);
    info.device = error ? port.path : device.string();
    const fs::path folder = DeviceFolder(info.device, sysRoot);
    if (!folder.empty()) {
        ReadUsbFields(folder, sysRoot, info);
    }
    return info;
}
