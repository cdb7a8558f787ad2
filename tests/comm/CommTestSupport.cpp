#include "CommTestSupport.h"

#include "Platform.h"
#include "cmcComm.h"

#include <chrono>
#include <thread>

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

