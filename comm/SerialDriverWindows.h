#pragma once
#include "SerialDriver.h"

// Serial port over a Win32 COM device: CreateFile on \\.\COMn without
// sharing, the driver's queues by SetupComm, the line by the DCB, reads that
// return at once by SetCommTimeouts, the counts by ClearCommError.
class SerialDriverWindows final : public SerialDriver {
public:
    SerialDriverWindows() = default;
    ~SerialDriverWindows() override;
    SerialDriverWindows(const SerialDriverWindows&) = delete;
    SerialDriverWindows& operator=(const SerialDriverWindows&) = delete;

    int Open(const std::string& path) override;
    void Close() override;
    bool SetQueueSizes(uint32_t inBytes, uint32_t outBytes) override;
    bool Purge() override;
    bool Configure(const LineSettings& settings) override;
    bool SetModemLines(bool dtr, bool rts) override;
    uint32_t InQueue() override;
    uint32_t OutQueue() override;
    uint32_t Read(uint8_t* buffer, uint32_t count) override;
    uint32_t Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    bool WaitForInput(int timeoutMs) override;

    // The errno value that stands for a Win32 error of CreateFile, so that
    // the port names the failure the same way on every platform.
    static int ErrnoOfOpenError(unsigned long error);

private:
    bool SetTimeouts(uint32_t writeMs);
    bool Counts(uint32_t& in, uint32_t& out);

    void* port = nullptr;            // the device's HANDLE; null when closed
    uint32_t writeTimeoutMs = 0;     // the write time-out the device holds
};
