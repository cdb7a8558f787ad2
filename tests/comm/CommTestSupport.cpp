#include "CommTestSupport.h"

#include "ComPorts.h"
#include "Platform.h"
#include "cmcComm.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

bool TestLoop::RunUntil(const std::function<bool()>& done, int limitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return done();
        }
        timers.RunDue();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

void TestLoop::RunFor(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        timers.RunDue();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

std::unique_ptr<cmcComm> MakePlatformComm(TaskTimerSource& timers)
{
    return std::make_unique<cmcComm>(PlatformSerialDriver(), PlatformComResolver(), timers);
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/rx-comm-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made != nullptr ? made : "";
}

TempDir::~TempDir()
{
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

void TempDir::Link(const std::string& name, const std::string& target) const
{
    std::error_code ignored;
    std::filesystem::create_symlink(target, Join(name), ignored);
}

void TempDir::WriteFile(const std::string& name, const std::string& text) const
{
    const std::filesystem::path file(Join(name));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

PortDirVariable::PortDirVariable(const std::string& dir)
{
    if (const char* old = std::getenv(ComPorts::kPortDirVariable)) {
        hadValue = true;
        oldValue = old;
    }
    setenv(ComPorts::kPortDirVariable, dir.c_str(), 1);
}

PortDirVariable::~PortDirVariable()
{
    if (hadValue) {
        setenv(ComPorts::kPortDirVariable, oldValue.c_str(), 1);
    } else {
        unsetenv(ComPorts::kPortDirVariable);
    }
}

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

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed)
{
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

