#include "PtyPair.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    slavePath = name;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (slave >= 0) {
        close(slave);
    }
}

void PtyPair::CloseMaster()
{
    if (master >= 0) {
        close(master);
        master = -1;
    }
}

bool PtyPair::MakeRaw() const
{
    termios raw {};
    if (tcgetattr(slave, &raw) != 0) {
        return false;
    }
    cfmakeraw(&raw);
    return tcsetattr(slave, TCSANOW, &raw) == 0;
}

std::vector<uint8_t> PtyPair::ReadMaster(size_t count, int limitMs) const
{
    std::vector<uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd waitFor {master, POLLIN, 0};
        if (poll(&waitFor, 1, 10) <= 0) {
            continue;
        }
        const std::vector<uint8_t> now = ReadMasterNow();
        got.insert(got.end(), now.begin(), now.end());
    }
    return got;
}

std::vector<uint8_t> PtyPair::ReadMasterNow() const
{
    std::vector<uint8_t> got;
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) {
            return got;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
}

bool PtyPair::WriteMaster(const std::vector<uint8_t>& bytes) const
{
    return write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}
