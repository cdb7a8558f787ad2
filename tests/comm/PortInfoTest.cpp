#include "ComPorts.h"
#include "PortInfo.h"
#include "PtyPair.h"
#include "SysfsTree.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct LineCase {
    const char* name;
    PortInfo info;
    const char* line;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class PortInfoLines : public testing::TestWithParam<LineCase> {};

TEST_P(PortInfoLines, LeaveOutWhatIsNotKnown)
{
    EXPECT_EQ(PortInfoLine(GetParam().info), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    PortInfo, PortInfoLines,
    testing::Values(
        LineCase{"usb_adapter", {5, "/dev/ttyUSB0", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3XYZ"},
                 "COM5  /dev/ttyUSB0  FTDI FT232R USB UART  0403:6001  serial A10K3XYZ"},
        LineCase{"no_adapter", {1, "/dev/ttyS0", "", "", "", "", ""}, "COM1  /dev/ttyS0"},
        LineCase{"ids_only", {9, "/dev/ttyACM0", "2341", "0043", "", "", ""}, "COM9  /dev/ttyACM0  2341:0043"},
        LineCase{"product_names_its_maker", {6, "/dev/ttyUSB1", "10c4", "ea60", "Silicon Labs", "Silicon Labs CP2102", ""},
                 "COM6  /dev/ttyUSB1  Silicon Labs CP2102  10c4:ea60"},
        LineCase{"maker_without_product", {7, "/dev/ttyUSB2", "1a86", "7523", "QinHeng", "", "0001"},
                 "COM7  /dev/ttyUSB2  QinHeng  1a86:7523  serial 0001"}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// Ports of a port folder, each a pseudo-terminal that a made device tree
// enters as a USB adapter's tty, a built-in port's, or not at all.
class PortInfoTree : public testing::Test {
protected:
    std::string Link(const std::string& name, const PtyPair& pty)
    {
        ports.Link(name, pty.SlavePath());
        return std::filesystem::canonical(pty.SlavePath()).string();
    }

    TempDir ports;
    SysfsTree sys;
    PtyPair usb;
    PtyPair plain;
    PtyPair idsOnly;
    PtyPair unknown;
};

TEST_F(PortInfoTree, DescribesEachPresentPortInComOrder)
{
    ASSERT_TRUE(ports.Ok() && sys.Ok() && usb.Ok() && plain.Ok() && idsOnly.Ok() && unknown.Ok());
    const std::string usbDevice = Link("com5", usb);
    const std::string plainDevice = Link("com1", plain);
    const std::string idsDevice = Link("com12", idsOnly);
    const std::string unknownDevice = Link("com7", unknown);
    ports.WriteFile("com3", "not a device");
    ASSERT_TRUE(sys.AddUsbTty(usbDevice, "ttyUSB0", {"0403", "6001", "FTDI", "FT232R USB UART", "A10K3XYZ"}));
    ASSERT_TRUE(sys.AddPlainTty(plainDevice, "ttyS0"));
    ASSERT_TRUE(sys.AddUsbTty(idsDevice, "ttyACM0", {"2341", "0043", "", "", ""}));

    std::vector<std::string> lines;
    for (const PortInfo& info : DescribePorts(ComPorts(ports.Path()).Scan(), sys.Root())) {
        lines.push_back(PortInfoLine(info));
    }
    EXPECT_EQ(lines, (std::vector<std::string> {
                         "COM1  " + plainDevice,
                         "COM5  " + usbDevice + "  FTDI FT232R USB UART  0403:6001  serial A10K3XYZ",
                         "COM7  " + unknownDevice,
                         "COM12  " + idsDevice + "  2341:0043",
                     }));
}

TEST_F(PortInfoTree, AMissingTreeSaysNothingMoreThanTheDevice)
{
    ASSERT_TRUE(usb.Ok());
    const std::string device = Link("com2", usb);
    const PortInfo info = DescribePort({2, ports.Join("com2"), true}, ports.Join("no-such-tree"));
    EXPECT_EQ(info.device, device);
    EXPECT_EQ(PortInfoLine(info), "COM2  " + device);
}

} // namespace
