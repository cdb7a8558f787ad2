#pragma once
#include "SerialDriver.h"

#include <atomic>

// Serial port over a Linux tty: termios for the line, flock plus TIOCEXCL
// for exclusive use, a non-blocking descriptor so that reads never wait;
// poll for the wait for input.
class SerialDriverLinux final : public SerialDriver {
public:
    SerialDriverLinux() = default;
    ~SerialDriverLinux() override;
    SerialDriverLinux(const SerialDriverLinux&) = delete;
    SerialDriverLinux& operator=(const SerialDriverLinux&) = delete;

    int Open(const std::string& path) override;
    void Close() override;
    bool Purge() override;
    bool Configure(const LineSettings& settings) override;
    bool SetModemLines(bool dtr, bool rts) override;
    uint32_t InQueue() override;
    uint32_t OutQueue() override;
    uint32_t Read(uint8_t* buffer, uint32_t count) override;
    uint32_t Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    bool WaitForInput(int timeoutMs) override;
    int InputDescriptor() const override { return fd.load(); }

private:
    void AskLowLatency();
    bool SetModemLine(int line, bool on);

    // Atomic for WaitForInput's thread. A wait that meets a descriptor being
    // closed ends early or polls a stale one for the little time it was given.
    std::atomic<int> fd = -1;
};
