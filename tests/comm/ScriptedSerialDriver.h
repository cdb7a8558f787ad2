#pragma once
#include "SerialDriver.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A serial driver whose answers a test sets and whose calls it records.
// Bytes written stay in the transmit queue until the test drains it, as on
// a line that has not sent them yet.
class ScriptedSerialDriver final : public SerialDriver {
public:
    // What the driver answers.
    int openError = 0;                 // errno for Open, 0 opens
    bool queueResult = true;
    bool purgeResult = true;
    bool configureResult = true;
    bool modemResult = true;
    uint32_t writeLimit = UINT32_MAX;  // a write takes at most this many bytes
    bool keepWrittenInQueue = true;    // false: the line sends everything at once
    uint32_t transmitQueue = 0;        // what OutQueue reports
    std::vector<uint8_t> incoming;     // bytes waiting to be read

    // What the port asked for.
    bool isOpen = false;
    std::vector<std::string> openedPaths;
    int closeCount = 0;
    std::vector<std::pair<uint32_t, uint32_t>> queueSizes; // (receive, transmit) per call
    int purgeCount = 0;
    int outQueueQueries = 0;
    std::vector<LineSettings> configured;
    std::vector<std::pair<bool, bool>> modemLines; // (DTR, RTS) per call
    std::vector<std::vector<uint8_t>> writes;      // bytes taken by each Write
    std::vector<uint32_t> writeTimeouts;
    std::vector<int> waits;                        // the time-out of each WaitForInput

    // The line has sent everything queued.
    void DrainTransmit() { transmitQueue = 0; }
    // Everything written so far, in order.
    std::vector<uint8_t> AllWritten() const;

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
    // Returns at once: whether bytes are waiting. The test moves time itself.
    bool WaitForInput(int timeoutMs) override;
};
