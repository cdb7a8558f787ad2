#include "SerialDriverLinux.h"

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedEntry {
    uint32_t bitRate;
    speed_t code;
};

// Rates the termios interface can name.
constexpr SpeedEntry kSpeeds[] = {
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400},
    {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
    {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedCode(uint32_t bitRate, speed_t& code)
{
    for (const SpeedEntry& entry : kSpeeds) {
        if (entry.bitRate == bitRate) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

bool SizeFlag(uint8_t dataBits, tcflag_t& flag)
{
    switch (dataBits) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false; // no tty takes 4 data bits
    }
}

tcflag_t ParityFlags(uint8_t parity)
{
    switch (parity) {
    case ParityMode::Odd: return PARENB | PARODD;
    case ParityMode::Even: return PARENB;
    case ParityMode::Mark: return PARENB | CMSPAR | PARODD;
    case ParityMode::Space: return PARENB | CMSPAR;
    default: return 0;
    }
}

int64_t NowNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t NowMs()
{
    return NowNs() / 1000000;
}

// Sleeps until the monotonic clock reads deadlineNs; signals do not cut it short.
void SleepUntil(int64_t deadlineNs)
{
    if (NowNs() >= deadlineNs) {
        return;  // poll rounds up: its time-out has usually spent the time already
    }
    const timespec until {static_cast<time_t>(deadlineNs / 1000000000), static_cast<long>(deadlineNs % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Waits on the descriptor for input until deadlineNs; poll's own time-out
// is in whole milliseconds, so the rest is rounded up.
bool PollInput(int handle, int64_t deadlineNs)
{
    for (;;) {
        const int64_t leftNs = deadlineNs - NowNs();
        if (leftNs <= 0) {
            return false;
        }
        pollfd waitFor {handle, POLLIN, 0};
        const int ready = poll(&waitFor, 1, static_cast<int>(std::min<int64_t>((leftNs + 999999) / 1000000, INT_MAX)));
        if (ready > 0) {
            return (waitFor.revents & POLLIN) != 0;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

} // namespace

SerialDriverLinux::~SerialDriverLinux()
{
    Close();
}

int SerialDriverLinux::Open(const std::string& path)
{
    Close();
    const int handle = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return errno;
    }
    // Linux lets two programs share a tty and split its bytes; the lock keeps
    // out careful programs, TIOCEXCL every later open() but root's.
    if (flock(handle, LOCK_EX | LOCK_NB) != 0 || ioctl(handle, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(handle);
        return error;
    }
    fd = handle;
    AskLowLatency();
    return 0;
}

// USB adapters hold received bytes for milliseconds unless told otherwise;
// a device that refuses keeps its default.
void SerialDriverLinux::AskLowLatency()
{
    serial_struct serial {};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        return;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

void SerialDriverLinux::Close()
{
    // A wait on another thread sees the port closed before the descriptor goes.
    const int handle = fd.exchange(-1);
    if (handle >= 0) {
        // The exclusive flag lives with the tty, not with this descriptor: a
        // tty that another program keeps open would stay locked.
        ioctl(handle, TIOCNXCL);
        ::close(handle); // also releases the lock
    }
}

bool SerialDriverLinux::Purge()
{
    return fd >= 0 && tcflush(fd, TCIOFLUSH) == 0;
}

bool SerialDriverLinux::Configure(const LineSettings& settings)
{
    speed_t speed {};
    tcflag_t size {};
    termios tio {};
    if (fd < 0 || !SpeedCode(settings.bitRate, speed) || !SizeFlag(settings.dataBits, size)
        || tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= size | ParityFlags(settings.parity) | CLOCAL | CREAD;
    if (settings.stopBits != 0) {
        tio.c_cflag |= CSTOPB; // one and a half stop bits become two
    }
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    if ((settings.flags & LineFlag::Parity) != 0 && settings.parity != ParityMode::None) {
        tio.c_iflag |= INPCK;
    }
    tio.c_cc[VSTART] = settings.xonChar;
    tio.c_cc[VSTOP] = settings.xoffChar;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool SerialDriverLinux::SetModemLine(int line, bool on)
{
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) {
        return true;
    }
    // Pseudo-terminals have no modem lines.
    return errno == ENOTTY || errno == EINVAL;
}

bool SerialDriverLinux::SetModemLines(bool dtr, bool rts)
{
    if (fd < 0) {
        return false;
    }
    const bool dtrDone = SetModemLine(TIOCM_DTR, dtr);
    const bool rtsDone = SetModemLine(TIOCM_RTS, rts);
    return dtrDone && rtsDone;
}

uint32_t SerialDriverLinux::InQueue()
{
    int waiting = 0;
    if (fd < 0 || ioctl(fd, FIONREAD, &waiting) != 0 || waiting < 0) {
        return 0;
    }
    return static_cast<uint32_t>(waiting);
}

uint32_t SerialDriverLinux::OutQueue()
{
    int queued = 0;
    if (fd < 0 || ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0) {
        return 0;
    }
    return static_cast<uint32_t>(queued);
}

uint32_t SerialDriverLinux::Read(uint8_t* buffer, uint32_t count)
{
    if (fd < 0 || count == 0) {
        return 0;
    }
    for (;;) {
        const ssize_t got = ::read(fd, buffer, count);
        if (got >= 0) {
            return static_cast<uint32_t>(got);
        }
        if (errno != EINTR) {
            return 0; // EAGAIN: nothing there
        }
    }
}

bool SerialDriverLinux::WaitForInput(int timeoutMs)
{
    const int64_t deadline = NowNs() + static_cast<int64_t>(std::max(timeoutMs, 0)) * 1000000;
    const int handle = fd.load();
    // Only bytes that were not there before end the wait: those already
    // waiting were left for a later step.
    if (handle >= 0 && InQueue() == 0 && PollInput(handle, deadline) && InQueue() > 0) {
        return true;
    }
    // A hung-up line reports itself ready at once and for ever, with nothing
    // to read; spend the time instead of returning to a wait that ends at once.
    SleepUntil(deadline);
    return false;
}

uint32_t SerialDriverLinux::Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs)
{
    if (fd < 0) {
        return 0;
    }
    const int64_t deadline = NowMs() + timeoutMs;
    uint32_t written = 0;
    while (written < count) {
        const ssize_t put = ::write(fd, data + written, count - written);
        if (put > 0) {
            written += static_cast<uint32_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno != EAGAIN) {
            break; // EIO after a hang-up, or the device went away
        }
        const int64_t left = deadline - NowMs();
        if (left <= 0) {
            break;
        }
        pollfd waitFor {fd, POLLOUT, 0};
        const int ready = poll(&waitFor, 1, static_cast<int>(std::min<int64_t>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
    }
    return written;
}
