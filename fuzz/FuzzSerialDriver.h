#pragma once
#include "SerialDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A serial line whose far end is a script: the radio's answers come from
// fuzz input, one record each time the program has sent something and has
// read everything delivered before. The line keeps only what it needs (the
// receive queue and the last bytes sent), so it never grows with a run.
//
// Script records, each starting with a header byte h:
//   0x00-0x3F  data: the next h bytes arrive
//   0x40-0x7F  silence: nothing arrives; the clock moves ((h & 0x3F) + 1) x 25 ms
//   0x80-0x9F  the complement of the last byte sent arrives (the key reply)
//   0xA0-0xBF  the last (h & 0x1F) + 1 bytes sent come back (an echo)
//   0xC0-0xFF  the next byte arrives ((h & 0x3F) + 1) x 16 times (acknowledgements)
class FuzzSerialDriver final : public SerialDriver {
public:
    // How the line itself misbehaves, apart from what arrives.
    struct Behaviour {
        int openFailures = 0;          // this many Opens fail; < 0: every one
        uint32_t shortWriteAt = 0;     // the n-th Write takes half its bytes (0: none)
        uint32_t busyQueries = 0;      // after a Write, OutQueue reports bytes this many times
    };

    FuzzSerialDriver(const uint8_t* script, size_t size, Behaviour behaviour);

    // True when the radio is due to answer: the queue is empty, the program
    // has sent something since the last record, and records remain.
    bool AnswerDue() const;
    // Delivers the next record; the milliseconds of silence it stands for.
    uint32_t DeliverNext();
    bool Exhausted() const { return position >= size; }
    uint64_t BytesRead() const { return bytesRead; }
    size_t Queued() const { return incoming.size() - head; }
    bool IsOpen() const { return isOpen; }

    int Open(const std::string& path) override;
    void Close() override;
    bool Purge() override;
    bool Configure(const LineSettings& settings) override;
    bool SetModemLines(bool dtr, bool rts) override;
    uint32_t InQueue() override;
    uint32_t OutQueue() override;
    uint32_t Read(uint8_t* buffer, uint32_t count) override;
    uint32_t Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    // Returns at once: the harness moves the clock by the script's silences.
    bool WaitForInput(int timeoutMs) override;

private:
    static constexpr size_t RecentSize = 32;

    void Arrive(uint8_t byte);
    void DropIncoming();

    const uint8_t* script;
    size_t size;
    size_t position = 0;
    Behaviour behaviour;
    bool isOpen = false;
    int opens = 0;
    uint32_t writes = 0;
    uint32_t busyLeft = 0;
    bool sentSinceAnswer = false;
    uint64_t bytesRead = 0;
    std::vector<uint8_t> incoming;  // [head, end) still to be read
    size_t head = 0;
    uint8_t recent[RecentSize] = {};  // ring of the last bytes sent
    size_t recentCount = 0;         // bytes sent in all, for the ring
};
