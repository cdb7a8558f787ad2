#include "RadioLine.h"

#include "FirmImages.h"

namespace {
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
    const FirmwareSet& images = options.images != nullptr ? *options.images : BuiltInFirmware();
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
        loader.Feed(bytes[i], answers);
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
}

std::vector<uint8_t> RadioLine::ReadFlash(bool dsp, uint32_t address, uint32_t count) const
{
    std::vector<uint8_t> bytes(count);
    loader.Flash(dsp).Read(address, count, bytes.data());
    return bytes;
}
