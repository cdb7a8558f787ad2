#include "RadioLine.h"

#include "RadioImages.h"

namespace {
// The program repeats a request no sooner than 100 ms after the last one;
// two heard closer together than this were held back by the computer on
// the way and arrive as a pile, each to be answered.
constexpr RadioLine::Clock::duration heldBackGap = std::chrono::milliseconds(50);

// 38,400 bit/s with a start and a stop bit: ten bits a byte.
constexpr RadioLine::Clock::duration pacedByteTime = std::chrono::nanoseconds(260417);

RadioLine::Clock::duration ByteTime(const RadioOptions& options)
{
    return options.paced ? pacedByteTime : RadioLine::Clock::duration::zero();
}
} // namespace

RadioLine::RadioLine(const RadioOptions& options)
    : options(options), sendQueue(ByteTime(options)), receivePacer(ByteTime(options))
{
}

bool RadioLine::SetUp(std::string& error)
{
    const FirmwareSet& images = options.images != nullptr ? *options.images : RadioBuiltInRecords();
    return loader.SetUp(options, images, error);
}

bool RadioLine::Take(const uint8_t* bytes, size_t count, Clock::time_point now, bool lineOk, long speed)
{
    if (hungUp) {
        return false;
    }
    if (Paced()) {
        receivePacer.Took();
    }
    bytesReceived += count;
    if (options.checkLineSettings && !lineOk) {
        if (!lineWarned) {
            loader.RecordError("bytes arrived while the program's side was set to " + std::to_string(speed)
                               + " bit/s, not 38400 8N1; they were dropped");
        }
        lineWarned = true;
        return true;
    }
    lineWarned = false;
    for (size_t i = 0; i < count; ++i) {
        answers.clear();
        const int heard = loader.RequestsHeard();
        loader.Feed(bytes[i], answers);
        if (loader.RequestsHeard() != heard) {
            NoteRequest(loader.LastRequest(), now);
        }
        for (const Emission& answer : answers) {
            if (answer.hangUp) {
                HangUp();
                return false;
            }
            sendQueue.Push(answer.bytes, now + std::chrono::milliseconds(answer.delayMs));
        }
    }
    return true;
}

void RadioLine::NoteRequest(int request, Clock::time_point now)
{
    const auto last = lastHeard.find(request);
    if (last != lastHeard.end() && now - last->second < heldBackGap) {
        ++requestsHeldBack;
    }
    lastHeard[request] = now;
}

void RadioLine::Sent(size_t count)
{
    bytesSent += count;
    sendQueue.Drop(count);
}

void RadioLine::PowerCycle()
{
    loader.PowerCycle();
    sendQueue.Clear();
    receivePacer = ReceivePacer(ByteTime(options));
    lastHeard.clear();
    hungUp = false;
}

void RadioLine::HangUp()
{
    sendQueue.Clear();
    hungUp = true;
}

void RadioLine::FillReport(RadioReport& report) const
{
    loader.FillReport(report);
    report.bytesReceived = bytesReceived;
    report.bytesSent = bytesSent;
    report.hungUp = hungUp;
    report.requestsHeldBack = requestsHeldBack;
}

std::vector<uint8_t> RadioLine::ReadFlash(bool dsp, uint32_t address, uint32_t count) const
{
    std::vector<uint8_t> bytes(count);
    loader.Flash(dsp).Read(address, count, bytes.data());
    return bytes;
}
