#pragma once
#include "SerialDriver.h"

#include <memory>

class TraceLog;

// A serial driver that passes every call to another and tells the trace what
// went over the line and what happened to the port. The bytes themselves are
// untouched.
class TracingSerialDriver final : public SerialDriver {
public:
    // log must outlive the driver.
    TracingSerialDriver(std::unique_ptr<SerialDriver> inner, TraceLog& log);

    int Open(const std::string& path) override;
    void Close() override;
    bool Purge() override;
    bool Configure(const LineSettings& settings) override;
    bool SetModemLines(bool dtr, bool rts) override;
    uint32_t InQueue() override;
    uint32_t OutQueue() override;
    uint32_t Read(uint8_t* buffer, uint32_t count) override;
    uint32_t Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    bool SetQueueSizes(uint32_t inBytes, uint32_t outBytes) override { return inner->SetQueueSizes(inBytes, outBytes); }
    bool WaitForInput(int timeoutMs) override { return inner->WaitForInput(timeoutMs); }
    int InputDescriptor() const override { return inner->InputDescriptor(); }

private:
    std::unique_ptr<SerialDriver> inner;
    TraceLog& log;
};
