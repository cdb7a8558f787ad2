#pragma once
#include "SeqEvents.h"
#include "SeqPlatform.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// A trace for support: one line an item, each with the milliseconds since
// the trace began: the sequencer's state changes and events, what happens
// to the port, the bytes each way in hex, and each boot packet summarised
// (command, address or value, length) instead of its bytes, so that the
// trace of a whole update stays readable. Bytes received one after another
// share a line.
class TraceLog {
public:
    // nowMs: a millisecond clock; the trace counts from its first reading.
    // prefix goes before every line (the port, when several radios share
    // one output).
    TraceLog(std::ostream& out, std::function<int64_t()> nowMs, std::string prefix = {});
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    void State(SeqState from, SeqState to);
    void Event(SeqEvent event, int target);
    void Packet(const PacketNote& note);
    // Bytes that went out; those of packets already summarised are not
    // shown again.
    void Sent(const uint8_t* data, size_t count);
    void Received(const uint8_t* data, size_t count);
    void Note(const std::string& text);
    // Writes out received bytes still held for their line.
    void Flush();

    // "33 90 82 82"
    static std::string Hex(const uint8_t* data, size_t count);

private:
    void Line(const std::string& text);
    void Stamped(int64_t ms, const std::string& text);
    void Bytes(const char* direction, const uint8_t* data, size_t count);

    std::ostream& out;
    std::function<int64_t()> nowMs;
    std::string prefix;
    int64_t startMs;
    size_t packetBytesDue = 0;  // summarised packet bytes not yet seen going out
    // The sequencer reads one byte at a time: bytes received one after
    // another share a line, stamped with the first one's time.
    std::vector<uint8_t> heldRx;
    int64_t heldRxMs = 0;
};
