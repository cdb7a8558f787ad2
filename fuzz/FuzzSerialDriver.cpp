#include "FuzzSerialDriver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr uint32_t SilenceUnitMs = 25;
constexpr uint32_t RepeatUnit = 16;
constexpr uint32_t BusyQueueBytes = 700;  // more than half the 1024-byte queue
} // namespace

FuzzSerialDriver::FuzzSerialDriver(const uint8_t* scriptBytes, size_t scriptSize, Behaviour lineBehaviour)
    : script(scriptBytes), size(scriptSize), behaviour(lineBehaviour)
{
}

bool FuzzSerialDriver::AnswerDue() const
{
    return isOpen && Queued() == 0 && sentSinceAnswer && !Exhausted();
}

uint32_t FuzzSerialDriver::DeliverNext()
{
    sentSinceAnswer = false;
    if (Exhausted()) {
        return 0;
    }
    const uint8_t h = script[position++];
    DropIncoming();
    if (h < 0x40) {
        const size_t n = std::min<size_t>(h, size - position);
        for (size_t i = 0; i < n; ++i) {
            Arrive(script[position + i]);
        }
        position += n;
        return 0;
    }
    if (h < 0x80) {
        return ((h & 0x3Fu) + 1) * SilenceUnitMs;
    }
    const uint8_t last = recent[(recentCount + RecentSize - 1) % RecentSize];
    if (h < 0xA0) {
        Arrive(static_cast<uint8_t>(last ^ 0xFF));
        return 0;
    }
    if (h < 0xC0) {
        const size_t n = std::min<size_t>((h & 0x1Fu) + 1, std::min(recentCount, RecentSize));
        for (size_t i = n; i > 0; --i) {
            Arrive(recent[(recentCount + RecentSize - i) % RecentSize]);
        }
        return 0;
    }
    if (Exhausted()) {
        return 0;
    }
    const uint8_t b = script[position++];
    for (uint32_t i = 0; i < ((h & 0x3Fu) + 1) * RepeatUnit; ++i) {
        Arrive(b);
    }
    return 0;
}

void FuzzSerialDriver::Arrive(uint8_t byte)
{
    incoming.push_back(byte);
}

void FuzzSerialDriver::DropIncoming()
{
    incoming.clear();
    head = 0;
}

int FuzzSerialDriver::Open(const std::string&)
{
    if (isOpen) {
        return EBUSY;
    }
    ++opens;
    if (behaviour.openFailures < 0 || opens <= behaviour.openFailures) {
        return ENOENT;
    }
    isOpen = true;
    DropIncoming();
    return 0;
}

void FuzzSerialDriver::Close()
{
    // Whatever the line held is lost with the last close of the device.
    isOpen = false;
    DropIncoming();
    busyLeft = 0;
}

bool FuzzSerialDriver::Purge()
{
    DropIncoming();
    busyLeft = 0;
    return isOpen;
}

bool FuzzSerialDriver::Configure(const LineSettings&)
{
    return isOpen;
}

bool FuzzSerialDriver::SetModemLines(bool, bool)
{
    return isOpen;
}

uint32_t FuzzSerialDriver::InQueue()
{
    return isOpen ? static_cast<uint32_t>(Queued()) : 0;
}

uint32_t FuzzSerialDriver::OutQueue()
{
    if (!isOpen || busyLeft == 0) {
        return 0;
    }
    --busyLeft;
    return BusyQueueBytes;
}

uint32_t FuzzSerialDriver::Read(uint8_t* buffer, uint32_t count)
{
    if (!isOpen) {
        return 0;
    }
    const size_t n = std::min<size_t>(count, Queued());
    if (n > 0) {
        std::memcpy(buffer, incoming.data() + head, n);
    }
    head += n;
    bytesRead += n;
    if (head == incoming.size()) {
        DropIncoming();
    }
    return static_cast<uint32_t>(n);
}

uint32_t FuzzSerialDriver::Write(const uint8_t* data, uint32_t count, uint32_t)
{
    if (!isOpen) {
        return 0;
    }
    ++writes;
    const uint32_t taken = writes == behaviour.shortWriteAt ? count / 2 : count;
    for (uint32_t i = 0; i < taken; ++i) {
        recent[recentCount % RecentSize] = data[i];
        ++recentCount;
    }
    if (taken > 0) {
        sentSinceAnswer = true;
        busyLeft = behaviour.busyQueries;
    }
    return taken;
}

bool FuzzSerialDriver::WaitForInput(int)
{
    return isOpen && Queued() > 0;
}
