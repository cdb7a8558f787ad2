// The serial port on real pseudo-terminals, found through a port folder.
#include "cmcComm.h"

#include "ComPorts.h"
#include "Platform.h"
#include "CommTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsual = "9600,N,8,1";

class CommPortPty : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(first.Ok());
        ASSERT_TRUE(third.Ok());
        dir.Link("com1", first.SlavePath());
        dir.Link("com3", third.SlavePath());
        dir.Link("com5", "/dev/null");
    }

    // The line settings as the device holds them.
    termios Line() const
    {
        termios tio {};
        EXPECT_EQ(tcgetattr(third.Slave(), &tio), 0);
        return tio;
    }

    // Runs `other` in a child process; gives its exit code.
    static int InChild(bool (*other)())
    {
        const pid_t child = fork();
        if (child == 0) {
            _exit(other() ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir dir;
    PortDirVariable variable {dir.Path()};
    PtyPair first;
    PtyPair third;
    TestLoop loop;
    std::unique_ptr<cmcComm> comm = MakePlatformComm(loop.Timers());
};

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

// Another program's attempt: it fails, and says the port is busy.
bool OtherProgramOpensCom3()
{
    TestLoop loop;
    const std::unique_ptr<cmcComm> other = MakePlatformComm(loop.Timers());
    if (other->Open(3, kUsual)) {
        return true;
    }
    _exit(other->LastOpenFailure() == OpenFailure::Busy ? 1 : 2);
}

// Another user's program that opens the device plainly, as a terminal
// program would: 0 opened, 1 refused as busy, 2 refused otherwise.
bool OtherUserOpensCom3WithoutLock()
{
    if (setgid(65534) != 0 || setuid(65534) != 0) {
        _exit(3);
    }
    const std::optional<std::string> path = PlatformComResolver()(3);
    const int fd = path ? open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
    if (fd >= 0) {
        close(fd);
        return true;
    }
    _exit(errno == EBUSY ? 1 : 2);
}

} // namespace

TEST_F(CommPortPty, OpensTheNumberedDeviceRawAt9600With8N1)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    const termios tio = Line();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);

    // Bytes go to COM3's device and to no other.
    const std::vector<uint8_t> hello = Bytes("abc\r\n\x11\x13\x00\xff");
    comm->Write(hello.data(), static_cast<int32_t>(hello.size()));
    EXPECT_EQ(third.ReadMaster(hello.size()), hello);
    EXPECT_TRUE(first.ReadMasterNow().empty());
}

TEST_F(CommPortPty, LineChangesReachTheOpenDevice)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    EXPECT_TRUE(comm->SetBitRate(38400));
    termios tio = Line();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    // A pseudo-terminal has no modem lines; driving them is no failure.
    EXPECT_TRUE(comm->SetDtr(1));
    EXPECT_TRUE(comm->SetRts(0));
}

// A pseudo-terminal always holds 8 data bits without parity, so only the
// rate, the stop bits and the parity check can be seen on one.
TEST_F(CommPortPty, OtherLineSettingsReachTheDevice)
{
    ASSERT_TRUE(comm->Open(3, "19200,E,7,2"));
    const termios tio = Line();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
    comm->Close();

    ASSERT_TRUE(comm->Open(3, "57600,N,8,1.5")); // one and a half stop bits become two
    const termios second = Line();
    EXPECT_EQ(cfgetospeed(&second), static_cast<speed_t>(B57600));
    EXPECT_NE(second.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(second.c_iflag & INPCK, 0u);
}

TEST_F(CommPortPty, SettingsTheDeviceRefusesLeaveThePortClosed)
{
    EXPECT_FALSE(comm->Open(3, "9600,N,4,1")); // no tty takes 4 data bits
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::Refused);
    EXPECT_TRUE(comm->Open(3, kUsual)); // nothing left held
}

TEST_F(CommPortPty, SecondOpenFailsAndTheFirstKeepsWorking)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    EXPECT_FALSE(comm->Open(3, kUsual));
    EXPECT_EQ(comm->LastOpenFailure(), OpenFailure::AlreadyOpen);

    const std::unique_ptr<cmcComm> second = MakePlatformComm(loop.Timers());
    EXPECT_FALSE(second->Open(3, kUsual));
    EXPECT_EQ(second->LastOpenFailure(), OpenFailure::Busy);

    EXPECT_TRUE(comm->IsOpen());
    const std::vector<uint8_t> out = Bytes("still here");
    comm->Write(out.data(), static_cast<int32_t>(out.size()));
    EXPECT_EQ(third.ReadMaster(out.size()), out);
    const std::vector<uint8_t> in = Bytes("answer");
    ASSERT_TRUE(third.WriteMaster(in));
    ASSERT_TRUE(loop.RunUntil([&] { return comm->InCount() == in.size(); }));
    std::vector<uint8_t> got(20);
    got.resize(static_cast<size_t>(comm->Read(got.data(), 20)));
    EXPECT_EQ(got, in);
}

TEST_F(CommPortPty, AnotherProcessCannotOpenAPortOpenHere)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    EXPECT_EQ(InChild(OtherProgramOpensCom3), 1);
    comm->Close();
    EXPECT_EQ(InChild(OtherProgramOpensCom3), 0);
}

// An ordinary user's program is kept out by the tty's exclusive flag even
// without taking the lock, and let in once the port is closed again.
TEST_F(CommPortPty, ExclusiveTtyKeepsOutAnotherUser)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(third.SlavePath().c_str(), 0666), 0);
    ASSERT_TRUE(comm->Open(3, kUsual));
    EXPECT_EQ(InChild(OtherUserOpensCom3WithoutLock), 1);
    comm->Close();
    EXPECT_EQ(InChild(OtherUserOpensCom3WithoutLock), 0);
}

TEST_F(CommPortPty, DestructionReleasesThePort)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    comm.reset();
    const std::unique_ptr<cmcComm> next = MakePlatformComm(loop.Timers());
    EXPECT_TRUE(next->Open(3, kUsual));
}

TEST_F(CommPortPty, ReadNeverWaits)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    std::vector<uint8_t> buffer(100);
    EXPECT_EQ(comm->Read(buffer.data(), 100), 0);
    EXPECT_EQ(comm->InCount(), 0u);

    const std::vector<uint8_t> arrived = PatternBytes(17, 7);
    ASSERT_TRUE(third.WriteMaster(arrived));
    ASSERT_TRUE(loop.RunUntil([&] { return comm->InCount() == 17; }));
    ASSERT_EQ(comm->Read(buffer.data(), 100), 17);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 17), arrived);
    EXPECT_EQ(comm->Read(buffer.data(), 100), 0);
}

struct TransferCase {
    const char* name;
    size_t count;
};

class CommPortPtyTransfer : public CommPortPty, public testing::WithParamInterface<TransferCase> {};

TEST_P(CommPortPtyTransfer, BytesArriveWholeAndInOrder)
{
    const size_t count = GetParam().count;
    ASSERT_TRUE(comm->Open(3, kUsual));
    ASSERT_TRUE(comm->SetBitRate(38400));
    const std::vector<uint8_t> bytes = PatternBytes(count, static_cast<uint32_t>(count));
    std::vector<uint8_t> received;
    // The far end reads as the send task drains the buffer.
    std::thread reader([&] { received = third.ReadMaster(count, 60000); });
    comm->Write(bytes.data(), static_cast<int32_t>(count));
    const bool drained = loop.RunUntil([&] { return comm->PendingCount() == 0 || comm->HasWriteError(); }, 60000);
    reader.join();
    EXPECT_TRUE(drained);
    EXPECT_FALSE(comm->HasWriteError());
    EXPECT_EQ(received.size(), count);
    EXPECT_TRUE(received == bytes);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortPtyTransfer,
    testing::Values(
        TransferCase {"OneByte", 1},
        TransferCase {"OneFullChunk", 1024},
        TransferCase {"ThreeChunks", 3000},
        TransferCase {"Large", 100000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortPty, HangUpOfTheOtherEndBecomesAWriteError)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    const std::vector<uint8_t> before = Bytes("before");
    comm->Write(before.data(), static_cast<int32_t>(before.size()));
    EXPECT_EQ(third.ReadMaster(before.size()), before);
    EXPECT_FALSE(comm->HasWriteError());

    third.CloseMaster();
    const std::vector<uint8_t> after = PatternBytes(100);
    comm->Write(after.data(), 100);
    EXPECT_TRUE(comm->HasWriteError());
    comm->Write(after.data(), 100);
    EXPECT_TRUE(comm->HasWriteError());
    std::vector<uint8_t> buffer(10);
    EXPECT_EQ(comm->Read(buffer.data(), 10), 0);
    EXPECT_EQ(comm->InCount(), 0u);

    comm->Close();
    EXPECT_FALSE(comm->HasWriteError());
}

TEST_F(CommPortPty, HangUpDuringALongWriteStopsIt)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    const std::vector<uint8_t> bytes = PatternBytes(20000);
    comm->Write(bytes.data(), 20000);
    EXPECT_FALSE(comm->HasWriteError());
    third.CloseMaster();
    EXPECT_TRUE(loop.RunUntil([&] { return comm->HasWriteError(); }));
    const uint32_t pending = comm->PendingCount();
    EXPECT_GT(pending, 0u);
    loop.RunFor(30);
    EXPECT_EQ(comm->PendingCount(), pending); // nothing more is tried
}

struct BadPortCase {
    const char* name;
    int port;
    OpenFailure failure;
};

class CommPortPtyBadPort : public CommPortPty, public testing::WithParamInterface<BadPortCase> {};

TEST_P(CommPortPtyBadPort, OpenFailsAndThePortStaysClosed)
{
    const BadPortCase& row = GetParam();
    EXPECT_FALSE(comm->Open(row.port, kUsual));
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(comm->LastOpenFailure(), row.failure);
    EXPECT_EQ(comm->FreeCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortPtyBadPort,
    testing::Values(
        BadPortCase {"UnknownNumber", 7, OpenFailure::Missing},
        BadPortCase {"NumberZero", 0, OpenFailure::Missing},
        BadPortCase {"NotATty", 5, OpenFailure::NotSerial}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommPortPty, ClosedMasterMeansAMissingDevice)
{
    third.CloseMaster(); // the pty's slave node goes with it
    EXPECT_FALSE(comm->Open(3, kUsual));
    EXPECT_FALSE(comm->IsOpen());
}

namespace {

// Whether the thread tid of this process is blocked in poll now.
bool BlockedInPoll(pid_t tid)
{
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/syscall";
    std::ifstream file(path);
    long number = -1;
    file >> number;
    return number == SYS_poll || number == SYS_ppoll;
}

} // namespace

// The wait runs on a thread of its own, as the tick worker's does; the byte
// is sent once that thread is blocked in the wait, so it can only be the
// byte that ends it.
TEST_F(CommPortPty, WaitForInputEndsWhenAByteArrives)
{
    ASSERT_TRUE(comm->Open(3, kUsual));
    std::atomic<pid_t> waiter {0};
    bool arrived = false;
    std::thread wait([&] {
        waiter = gettid();
        arrived = comm->WaitForInput(30000);
    });
    const bool blocked = loop.RunUntil([&] { return waiter != 0 && BlockedInPoll(waiter); }, 20000);
    EXPECT_TRUE(blocked);
    ASSERT_TRUE(third.WriteMaster(Bytes("\xFB")));
    wait.join();
    EXPECT_TRUE(arrived);
    uint8_t byte = 0;
    EXPECT_EQ(comm->Read(&byte, 1), 1);
    EXPECT_EQ(byte, 0xFB);
}

struct QuietWaitCase {
    const char* name;
    bool open;
    const char* waiting;  // already there before the wait, left unread
    bool hangUp;          // the other end closed
};

class CommPortPtyQuietWait : public CommPortPty, public testing::WithParamInterface<QuietWaitCase> {};

// Nothing new arrives: the wait takes its whole time and says so, and
// what was waiting is still there to read.
TEST_P(CommPortPtyQuietWait, WaitForInputTakesItsTime)
{
    const QuietWaitCase& row = GetParam();
    const std::vector<uint8_t> waiting = Bytes(row.waiting);
    if (row.open) {
        ASSERT_TRUE(comm->Open(3, kUsual));
    }
    if (!waiting.empty()) {
        ASSERT_TRUE(third.WriteMaster(waiting));
        ASSERT_TRUE(loop.RunUntil([&] { return comm->InCount() == waiting.size(); }));
    }
    if (row.hangUp) {
        third.CloseMaster();
    }
    EXPECT_FALSE(comm->WaitForInput(20));
    std::vector<uint8_t> got(16);
    got.resize(static_cast<size_t>(comm->Read(got.data(), 16)));
    EXPECT_EQ(got, waiting);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommPortPtyQuietWait,
    testing::Values(
        QuietWaitCase {"PortClosed", false, "", false},
        QuietWaitCase {"NothingArrives", true, "", false},
        QuietWaitCase {"BytesLeftForLater", true, "\xAA\x55", false},
        QuietWaitCase {"OtherEndHungUp", true, "", true}),
    [](const auto& info) { return std::string(info.param.name); });
