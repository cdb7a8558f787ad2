#include "ComPorts.h"
#include "Platform.h"
#include "PortList.h"

#include "CommTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

using Texts = std::vector<std::string>;

struct NumberCase {
    const char* name;
    const char* text;
    int number;
};

class CommPortNumberOf : public testing::TestWithParam<NumberCase> {};

TEST_P(CommPortNumberOf, ReadsTheNumberInAPortName)
{
    EXPECT_EQ(PortNumberOf(GetParam().text), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortNumberOf,
    testing::Values(
        NumberCase {"Com3", "COM3", 3},
        NumberCase {"Com10", "COM10", 10},
        NumberCase {"PlainDigits", "256", 256},
        NumberCase {"NoDigit", "COM", 0},
        NumberCase {"EmptyText", "", 0},
        NumberCase {"OnlyMinus", "-", 0},
        NumberCase {"TenDigitsCutToNine", "COM1234567890", 123456789},
        NumberCase {"NineDigitsKept", "COM987654321", 987654321},
        NumberCase {"CutCountsPointsAndMinus", "1.2-345678999", 1},
        NumberCase {"HalfRoundsUp", "2.5", 3},
        NumberCase {"NegativeHalfRoundsDown", "-2.5", -3},
        NumberCase {"BelowHalf", "2.49", 2},
        NumberCase {"NegativeBelowHalf", "-2.4", -2},
        NumberCase {"LeadingPoint", ".5", 1},
        NumberCase {"TrailingPoint", "7.", 7},
        NumberCase {"LettersBetweenDigits", "C1O2M3", 123},
        NumberCase {"NumberStopsAtSecondMinus", "4-5", 4},
        NumberCase {"DoubleMinusIsNoNumber", "--5", 0},
        NumberCase {"SpacesAndPlusDropped", " + 12 ", 12}),
    [](const auto& info) { return std::string(info.param.name); });

// A port folder: links named after COM numbers, to a pseudo-terminal.
class CommPortDir : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.Ok()); }
    void LinkPty(const std::string& name) const { dir.Link(name, pty.SlavePath()); }

    TempDir dir;
    PtyPair pty;
};

TEST_F(CommPortDir, ListsNumbersInNumericOrder)
{
    LinkPty("com10");
    LinkPty("com3");
    LinkPty("com1");
    PortDirVariable variable(dir.Path());
    Texts list;
    EnumeratePorts(list);
    EXPECT_EQ(list, (Texts {"1", "3", "10"}));
}

TEST_F(CommPortDir, TakesOnlyComNamesInAnyCase)
{
    LinkPty("COM2");
    LinkPty("Com256");
    LinkPty("com257");
    LinkPty("com0");
    LinkPty("com03");
    LinkPty("comx");
    LinkPty("ttyUSB0");
    Texts list;
    EnumeratePorts(list, ComPorts(dir.Path()).Scan());
    EXPECT_EQ(list, (Texts {"2", "256"}));
}

// Only terminals are serial ports: a plain file, a folder and /dev/null
// keep their numbers (opening them says why it fails) but are not offered.
TEST_F(CommPortDir, ListsOnlyTerminals)
{
    dir.WriteFile("com7", "a plain file");
    ASSERT_EQ(mkdir(dir.Join("com8").c_str(), 0700), 0);
    dir.Link("com9", "/dev/null");
    LinkPty("com10");
    const ComPorts ports(dir.Path());
    Texts list;
    EnumeratePorts(list, ports.Scan());
    EXPECT_EQ(list, (Texts {"10"}));
    EXPECT_EQ(ports.PathOf(7), dir.Join("com7"));
    EXPECT_EQ(ports.PathOf(9), dir.Join("com9"));
}

// "com3" and "COM3" are one port: listed once, and the one listed is the
// one opened.
TEST_F(CommPortDir, ANumberIsOnePort)
{
    PtyPair other;
    ASSERT_TRUE(other.Ok());
    dir.Link("com3", pty.SlavePath());
    dir.Link("COM3", other.SlavePath());
    const ComPorts ports(dir.Path());
    Texts list;
    EnumeratePorts(list, ports.Scan());
    EXPECT_EQ(list, (Texts {"3"}));
    ASSERT_EQ(ports.Scan().size(), 1u);
    EXPECT_EQ(ports.PathOf(3), dir.Join("COM3"));  // the first in name order
}

TEST_F(CommPortDir, MissingDeviceKeepsItsNumberButIsNotListed)
{
    dir.Link("com4", dir.Join("nothing-here"));
    LinkPty("com5");
    const ComPorts ports(dir.Path());
    Texts list;
    EnumeratePorts(list, ports.Scan());
    EXPECT_EQ(list, (Texts {"5"}));
    EXPECT_EQ(ports.PathOf(4), dir.Join("com4"));
    EXPECT_EQ(ports.PathOf(5), dir.Join("com5"));
    EXPECT_EQ(ports.PathOf(6), std::nullopt);
}

TEST_F(CommPortDir, EmptyOrMissingFolderOffersNothing)
{
    Texts list;
    EnumeratePorts(list, ComPorts(dir.Path()).Scan());
    EXPECT_TRUE(list.empty());
    {
        PortDirVariable variable(dir.Join("no-such-folder"));
        EnumeratePorts(list);
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(PlatformComResolver()(1), std::nullopt);
    }
}

TEST_F(CommPortDir, DevicePathFollowsTheLink)
{
    dir.Link("com5", pty.SlavePath());
    PortDirVariable variable(dir.Path());
    EXPECT_EQ(PortDevicePath(5), pty.SlavePath());
    EXPECT_EQ(PortDevicePath(6), "");
}

// A device folder and a sysfs tree laid out by hand.
class CommPortDevices : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS4", "ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM2"}) {
            dev.WriteFile(name, "");
        }
        sys.WriteFile("class/tty/ttyS0/type", "4\n");  // a 16550A
        sys.WriteFile("class/tty/ttyS1/type", "0\n");  // no UART behind it
        // ttyS2 has no type to read: offered.
    }

    ComPorts Ports() const { return ComPorts("", dev.Path(), sys.Path()); }

    TempDir dev;
    TempDir sys;
};

TEST_F(CommPortDevices, FamiliesAreNumberedInOrderUpToTheirFirstGap)
{
    struct Expected {
        int number;
        const char* device;
        bool present;
    };
    const std::vector<Expected> expected {
        {1, "ttyS0", true},
        {2, "ttyS1", false},
        {3, "ttyS2", true},
        {4, "ttyUSB0", true},
        {5, "ttyUSB1", true},
        {6, "ttyACM0", true},
    };
    const std::vector<ComPort> ports = Ports().Scan();
    ASSERT_EQ(ports.size(), expected.size());
    for (size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].number, expected[i].number);
        EXPECT_EQ(ports[i].path, dev.Join(expected[i].device));
        EXPECT_EQ(ports[i].present, expected[i].present) << expected[i].device;
    }
}

TEST_F(CommPortDevices, ListAndOpenUseTheSameNumbers)
{
    Texts list;
    EnumeratePorts(list, Ports().Scan());
    EXPECT_EQ(list, (Texts {"1", "3", "4", "5", "6"}));
    EXPECT_EQ(Ports().PathOf(2), dev.Join("ttyS1"));
    EXPECT_EQ(Ports().PathOf(4), dev.Join("ttyUSB0"));
    EXPECT_EQ(Ports().PathOf(7), std::nullopt);
}

TEST(CommPortDevicesEmpty, NoDevicesNoPorts)
{
    TempDir dev;
    TempDir sys;
    EXPECT_TRUE(ComPorts("", dev.Path(), sys.Path()).Scan().empty());
}
