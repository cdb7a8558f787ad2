// The rest of the Windows platform layer: the port list from the registry,
// the program's file name and the clock.
#include "Platform.h"

#include "PortList.h"
#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

TEST(PlatformOnWine, TheRegisteredLinkedPortIsListedWithItsDeviceName)
{
    const int com = LinkedCom();
    ASSERT_GT(com, 0) << "RX77NOVA_WINE_COM is not set: run this through tests/win/wine-case";
    const std::vector<ComPort> ports = PlatformComPorts();
    const auto linked = std::find_if(ports.begin(), ports.end(), [com](const ComPort& p) { return p.number == com; });
    ASSERT_NE(linked, ports.end());
    EXPECT_EQ(linked->path, "\\\\.\\COM" + std::to_string(com));
    EXPECT_TRUE(linked->present);
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(),
                               [](const ComPort& a, const ComPort& b) { return a.number < b.number; }));
    EXPECT_EQ(PlatformComResolver()(com), linked->path);

    std::vector<std::string> list;
    EnumeratePorts(list);
    EXPECT_NE(std::find(list.begin(), list.end(), std::to_string(com)), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), std::to_string(kUnlinkedCom)), list.end());
}

TEST(PlatformOnWine, ProgramFileNameIsTheExecutableWithoutItsFolder)
{
    EXPECT_EQ(ProgramFileName(), RX_TEST_PROGRAM_NAME);
}

TEST(PlatformOnWine, TheClockCountsMilliseconds)
{
    const uint32_t start = PlatformClock().Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const uint32_t passed = PlatformClock().Now() - start;
    EXPECT_GE(passed, 80u);
    EXPECT_LT(passed, 5000u);
}
