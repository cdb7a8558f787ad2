#include "NoisyCable.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <termios.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int NoiseChunk = 64;
constexpr int NoiseIntervalMs = 2;

bool MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return false;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    t.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

NoisyCable::~NoisyCable()
{
    Stop();
}

bool NoisyCable::Start(const std::string& radioDevice)
{
    char name[128] = {};
    if (openpty(&programMaster, &programSlave, name, nullptr, nullptr) != 0) {
        return false;
    }
    programDevice = name;
    radioFd = open(radioDevice.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw at once: a cooked line would echo the noise back towards the radio.
    if (radioFd < 0 || !MakeRaw(radioFd) || !MakeRaw(programSlave) || pipe2(wake, O_CLOEXEC) != 0) {
        Stop();
        return false;
    }
    fcntl(programMaster, F_SETFD, FD_CLOEXEC);
    fcntl(programSlave, F_SETFD, FD_CLOEXEC);
    fcntl(programMaster, F_SETFL, fcntl(programMaster, F_GETFL) | O_NONBLOCK);
    worker = std::thread([this] { Relay(); });
    return true;
}

void NoisyCable::SetNoise(bool on)
{
    noise = on;
    if (wake[1] >= 0) {
        const char c = 0;
        (void)!write(wake[1], &c, 1);
    }
}

void NoisyCable::Stop()
{
    stopping = true;
    if (worker.joinable()) {
        SetNoise(false);
        worker.join();
    }
    CloseFd(programMaster);
    CloseFd(programSlave);
    CloseFd(radioFd);
    CloseFd(wake[0]);
    CloseFd(wake[1]);
}

// Moves what is waiting on `from` to `to`; false when `from` is gone.
bool NoisyCable::Pass(int from, int to)
{
    uint8_t buffer[512];
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n <= 0) {
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
    for (ssize_t done = 0; done < n;) {
        const ssize_t w = write(to, buffer + done, static_cast<size_t>(n - done));
        if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return true;  // the far side is gone; drop the bytes as a cable would
        }
        done += w > 0 ? w : 0;
    }
    return true;
}

void NoisyCable::Relay()
{
    // The cable is part of the radio's side: ahead of ordinary work where allowed.
    [[maybe_unused]] const int ignored = setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    std::mt19937 random(4242);
    while (!stopping) {
        pollfd fds[3] = {{programMaster, POLLIN, 0}, {radioFd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        const int ready = poll(fds, 3, noise ? NoiseIntervalMs : 100);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if ((fds[2].revents & POLLIN) != 0) {
            char drain[16];
            (void)!read(wake[0], drain, sizeof drain);
        }
        if ((fds[0].revents & POLLIN) != 0) {
            Pass(programMaster, radioFd);
        }
        if ((fds[1].revents & POLLIN) != 0) {
            Pass(radioFd, programMaster);
        }
        if (noise) {
            uint8_t bytes[NoiseChunk];
            for (uint8_t& b : bytes) {
                b = static_cast<uint8_t>(random());
            }
            const ssize_t w = write(programMaster, bytes, sizeof bytes);
            noiseBytes += w > 0 ? static_cast<uint64_t>(w) : 0;
        }
    }
}
