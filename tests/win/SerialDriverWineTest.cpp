// The Windows serial driver and the port above it, on a COM number that
// Wine maps onto the emulated radio's pseudo-terminal. Wine differs from
// Windows in a few points that these tests leave alone: a second open of a
// port is not refused, the modem lines do not exist on a pseudo-terminal,
// the transmit count is always 0 and the bit rate changes no speed.
#include "SerialDriverWindows.h"

#include "FirmImages.h"
#include "OpenCause.h"
#include "Platform.h"
#include "Targets.h"
#include "VersionCheck.h"
#include "WineTestSupport.h"
#include "cmcComm.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>
#include <windows.h>

namespace {

// What the boot loader answers with its 17-byte identity.
constexpr std::array<uint8_t, 4> kIdentityRequest {0x33, 0x90, 0x82, 0x82};

std::string DeviceOf(int com)
{
    return "\\\\.\\COM" + std::to_string(com);
}

// The line as the port sets it up after an open, at the given rate.
LineSettings Line(uint32_t bitRate)
{
    LineSettings line;
    line.bitRate = bitRate;
    line.flags = LineFlag::Binary | LineFlag::TxContinueOnXoff | (1u << LineFlag::DtrControlShift)
        | (1u << LineFlag::RtsControlShift);
    line.xonLimit = 16000;
    line.xoffLimit = 24000;
    line.writeMsPerByte = 100000 / bitRate;
    line.writeMsConstant = 3000;
    return line;
}

// What the device holds after a Configure.
COMMTIMEOUTS HeldTimeouts(const SerialDriverWindows& driver)
{
    COMMTIMEOUTS timeouts {};
    EXPECT_NE(GetCommTimeouts(static_cast<HANDLE>(driver.NativeHandle()), &timeouts), 0);
    return timeouts;
}

// Waits, in real time, until the driver holds count bytes; gives what it holds.
uint32_t WaitForBytes(SerialDriver& driver, uint32_t count, int limitMs = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    uint32_t held = driver.InQueue();
    while (held < count && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        held = driver.InQueue();
    }
    return held;
}

// The radio of the test holds older firmware than the program's images.
void ExpectOlderRadio(const uint8_t* ident)
{
    bool invalid = false;
    bool refused = false;
    EXPECT_EQ(FirstOutdated(ident, invalid, refused, BuiltInFirmware()), TargetCpu);
    EXPECT_FALSE(invalid);
    EXPECT_FALSE(refused);
    EXPECT_NE(ident[identVariantMark], refusedMark);
}

class SerialOnWine : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(com, 0) << "RX77NOVA_WINE_COM is not set: run this through tests/win/wine-case";
    }

    const int com = LinkedCom();
};

} // namespace

TEST_F(SerialOnWine, DriverOpensTheLinkedPortSetsItUpAndHearsTheRadio)
{
    SerialDriverWindows driver;
    ASSERT_EQ(driver.Open(DeviceOf(com)), 0);
    EXPECT_TRUE(driver.SetQueueSizes(32000, 1024));
    EXPECT_TRUE(driver.Purge());
    EXPECT_TRUE(driver.Configure(Line(9600)));
    EXPECT_EQ(HeldTimeouts(driver).WriteTotalTimeoutMultiplier, 10u);
    EXPECT_TRUE(driver.Configure(Line(38400)));
    // Set once by Configure, for every write after it.
    const COMMTIMEOUTS held = HeldTimeouts(driver);
    EXPECT_EQ(held.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(held.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(held.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(held.WriteTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(held.WriteTotalTimeoutConstant, 3000u);
    // DTR and RTS go with the DCB, off (as the port opens) and on: Wine
    // takes both on a pseudo-terminal, which has no such lines.
    for (const unsigned mode : {0u, 1u}) {
        LineSettings line = Line(38400);
        line.flags = static_cast<uint16_t>((line.flags & ~((LineFlag::ModeMask << LineFlag::DtrControlShift)
                                                           | (LineFlag::ModeMask << LineFlag::RtsControlShift)))
                                           | (mode << LineFlag::DtrControlShift) | (mode << LineFlag::RtsControlShift));
        EXPECT_TRUE(driver.Configure(line)) << "DTR and RTS mode " << mode;
        DCB dcb {};
        dcb.DCBlength = sizeof dcb;
        ASSERT_NE(GetCommState(static_cast<HANDLE>(driver.NativeHandle()), &dcb), 0);
        std::printf("mode %u: the DCB reads back DTR %u, RTS %u\n", mode, static_cast<unsigned>(dcb.fDtrControl),
                    static_cast<unsigned>(dcb.fRtsControl));
    }
    // Nothing more is asked of the device for the lines.
    EXPECT_TRUE(driver.SetModemLines(true, true));
    // Without a write time-out a write could wait for ever: refused.
    LineSettings endless = Line(38400);
    endless.writeMsPerByte = 0;
    endless.writeMsConstant = 0;
    EXPECT_FALSE(driver.Configure(endless));
    EXPECT_TRUE(driver.Configure(Line(38400)));

    // Nothing waits: the read comes back at once, empty.
    uint8_t answer[64] {};
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(driver.InQueue(), 0u);
    EXPECT_EQ(driver.Read(answer, sizeof answer), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    ASSERT_EQ(driver.Write(kIdentityRequest.data(), kIdentityRequest.size(), 3008), kIdentityRequest.size());
    EXPECT_EQ(HeldTimeouts(driver).WriteTotalTimeoutConstant, 3000u) << "a write set time-outs of its own";
    ASSERT_EQ(WaitForBytes(driver, identLength), static_cast<uint32_t>(identLength));
    ASSERT_EQ(driver.Read(answer, sizeof answer), static_cast<uint32_t>(identLength));
    ExpectOlderRadio(answer);
    EXPECT_EQ(driver.InQueue(), 0u);

    driver.Close();
    EXPECT_EQ(driver.InQueue(), 0u);
    EXPECT_EQ(driver.Read(answer, sizeof answer), 0u);
    EXPECT_EQ(driver.Write(kIdentityRequest.data(), kIdentityRequest.size(), 3000), 0u);
    EXPECT_FALSE(driver.Purge());
}

TEST_F(SerialOnWine, PortAsksTheRadioAgainAndAgainAndHearsTheSameAnswer)
{
    WineLoop loop;
    cmcComm port(PlatformSerialDriver(), PlatformComResolver(), loop.Timers());
    ASSERT_TRUE(port.Open(com, "9600,N,8,1"));
    EXPECT_TRUE(port.SetBitRate(38400));
    EXPECT_TRUE(port.SetDtr(1));
    EXPECT_TRUE(port.SetRts(1));
    EXPECT_EQ(port.WriteTimeoutPerByte(), 2u);

    std::vector<uint8_t> first;
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        port.Write(kIdentityRequest.data(), static_cast<int32_t>(kIdentityRequest.size()));
        ASSERT_TRUE(loop.RunUntil([&] { return port.InCount() >= identLength; })) << "round " << round;
        std::vector<uint8_t> answer(identLength + 8);
        ASSERT_EQ(port.Read(answer.data(), static_cast<int32_t>(answer.size())), identLength) << "round " << round;
        answer.resize(identLength);
        if (first.empty()) {
            first = answer;
            ExpectOlderRadio(first.data());
        }
        ASSERT_EQ(answer, first) << "round " << round;
    }
    EXPECT_FALSE(port.HasWriteError());
    EXPECT_EQ(port.PendingCount(), 0u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialOnWine, AComNumberWithoutDeviceIsMissingAndTheCauseNamesThePresentPort)
{
    WineLoop loop;
    cmcComm port(PlatformSerialDriver(), PlatformComResolver(), loop.Timers());
    EXPECT_FALSE(port.Open(kUnlinkedCom, "9600,N,8,1"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Missing);
    EXPECT_EQ(port.LastOpenError(), ENOENT);

    const std::string cause = OpenCauseText(kUnlinkedCom, port.LastOpenFailure(), port.LastOpenError());
    EXPECT_NE(cause.find("no serial device is numbered COM" + std::to_string(kUnlinkedCom)), std::string::npos)
        << cause;
    EXPECT_NE(cause.find("COM" + std::to_string(com)), std::string::npos) << cause;

    // Outside 1 ... 256 no device name is made at all.
    EXPECT_FALSE(port.Open(0, "9600,N,8,1"));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Missing);
    EXPECT_FALSE(port.Open(257, "9600,N,8,1"));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Missing);
}

TEST(SerialOpenErrors, EachWin32AnswerNamesTheFailureAsOnLinux)
{
    struct Row {
        DWORD error;
        int errnoValue;
    };
    const Row rows[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},  {ERROR_PATH_NOT_FOUND, ENOENT},     {ERROR_INVALID_NAME, ENOENT},
        {ERROR_ACCESS_DENIED, EBUSY},    {ERROR_SHARING_VIOLATION, EBUSY},   {ERROR_GEN_FAILURE, ENODEV},
        {ERROR_NOT_READY, ENODEV},       {ERROR_DEVICE_NOT_CONNECTED, ENODEV}, {ERROR_NOT_SUPPORTED, ENOTTY},
        {ERROR_INVALID_FUNCTION, ENOTTY}, {ERROR_OUTOFMEMORY, EINVAL},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SerialDriverWindows::ErrnoOfOpenError(row.error), row.errnoValue) << "Win32 error " << row.error;
    }
}
