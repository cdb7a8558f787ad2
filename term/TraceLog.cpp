#include "TraceLog.h"

#include "SeqNames.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bytes of one trace line; a longer chunk goes on over more lines.
constexpr size_t BytesALine = 32;

std::string HexByte(unsigned value, int digits)
{
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

const char* PacketName(uint8_t command)
{
    switch (command) {
    case 0x00: return "write block";
    case 0x08: return "check block";
    case 0x01: return "sum";
    case 0x0F: return "end";
    default: return "packet";
    }
}

} // namespace

TraceLog::TraceLog(std::ostream& output, std::function<int64_t()> clock, std::string linePrefix)
    : out(output), nowMs(std::move(clock)), prefix(std::move(linePrefix)), startMs(nowMs())
{
}

TraceLog::~TraceLog()
{
    Flush();
}

void TraceLog::Stamped(int64_t ms, const std::string& text)
{
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%8lld ms  ", static_cast<long long>(ms - startMs));
    out << prefix << stamp << text << '\n';
    out.flush();
}

void TraceLog::Line(const std::string& text)
{
    Flush();
    Stamped(nowMs(), text);
}

void TraceLog::Flush()
{
    if (heldRx.empty()) {
        return;
    }
    Stamped(heldRxMs, "RX " + Hex(heldRx.data(), heldRx.size()));
    heldRx.clear();
}

void TraceLog::State(SeqState from, SeqState to)
{
    Line(std::string("state ") + SeqStateName(from) + " -> " + SeqStateName(to));
}

void TraceLog::Event(SeqEvent event, int target)
{
    Line(std::string("event ") + SeqEventName(event) + " (" + std::to_string(static_cast<int>(event))
         + "), target " + std::to_string(target));
}

void TraceLog::Packet(const PacketNote& note)
{
    std::string text = "TX packet " + HexByte(note.command, 2) + " " + PacketName(note.command);
    if (note.command == 0x00 || note.command == 0x08) {
        text += " address " + HexByte(note.field, 6);
    } else if (note.command == 0x01) {
        text += " value " + HexByte(note.field, 4);
    }
    Line(text + ", " + std::to_string(note.length) + " bytes");
    packetBytesDue += static_cast<size_t>(note.length);
}

// The sequencer queues a packet only once everything before it has been
// answered, so the next bytes that go out after a summary are the packet's.
void TraceLog::Sent(const uint8_t* data, size_t count)
{
    const size_t packetPart = std::min(count, packetBytesDue);
    packetBytesDue -= packetPart;
    Bytes("TX", data + packetPart, count - packetPart);
}

void TraceLog::Received(const uint8_t* data, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (heldRx.empty()) {
            heldRxMs = nowMs();
        }
        heldRx.push_back(data[i]);
        if (heldRx.size() == BytesALine) {
            Flush();
        }
    }
}

void TraceLog::Note(const std::string& text)
{
    Line(text);
}

void TraceLog::Bytes(const char* direction, const uint8_t* data, size_t count)
{
    for (size_t at = 0; at < count; at += BytesALine) {
        const size_t n = std::min(BytesALine, count - at);
        Line(std::string(at == 0 ? direction : "  ") + " " + Hex(data + at, n));
    }
}

std::string TraceLog::Hex(const uint8_t* data, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += HexByte(data[i], 2);
    }
    return text;
}
