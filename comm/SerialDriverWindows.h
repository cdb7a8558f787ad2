#pragma once
#include "SerialDriver.h"

// Serial port over a Win32 COM device: CreateFile on \\.\COMn without
// sharing, the driver's queues by SetupComm, the line and its DTR and RTS
// by the DCB, the time-outs once per Configure by SetCommTimeouts (reads
// return at once; a write may take a time per byte and a constant), the
// counts by ClearCommError.
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

    // The device's HANDLE (null when closed), for a look at what it holds.
    void* NativeHandle() const { return port; }

private:
    bool Counts(uint32_t& in, uint32_t& out);

    void* port = nullptr;  // the device's HANDLE; null when closed
};
