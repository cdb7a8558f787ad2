#include "TracingSerialDriver.h"

#include "TraceLog.h"

#include <cstring>

TracingSerialDriver::TracingSerialDriver(std::unique_ptr<SerialDriver> driver, TraceLog& trace)
    : inner(std::move(driver)), log(trace)
{
}

int TracingSerialDriver::Open(const std::string& path)
{
    const int error = inner->Open(path);
    log.Note("open " + path + (error == 0 ? ": open" : std::string(": ") + std::strerror(error)));
    return error;
}

void TracingSerialDriver::Close()
{
    inner->Close();
    log.Note("close");
}

bool TracingSerialDriver::Purge()
{
    const bool done = inner->Purge();
    log.Note(done ? "purge" : "purge failed");
    return done;
}

bool TracingSerialDriver::Configure(const LineSettings& settings)
{
    const bool done = inner->Configure(settings);
    log.Note("line " + std::to_string(settings.bitRate) + " bit/s, " + std::to_string(settings.dataBits)
             + " data bits" + (done ? "" : ": refused"));
    return done;
}

bool TracingSerialDriver::SetModemLines(bool dtr, bool rts)
{
    const bool done = inner->SetModemLines(dtr, rts);
    log.Note(std::string("DTR ") + (dtr ? "on" : "off") + ", RTS " + (rts ? "on" : "off") + (done ? "" : ": refused"));
    return done;
}

uint32_t TracingSerialDriver::InQueue()
{
    return inner->InQueue();
}

uint32_t TracingSerialDriver::OutQueue()
{
    return inner->OutQueue();
}

uint32_t TracingSerialDriver::Read(uint8_t* buffer, uint32_t count)
{
    const uint32_t n = inner->Read(buffer, count);
    if (n > 0) {
        log.Received(buffer, n);
    }
    return n;
}

uint32_t TracingSerialDriver::Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs)
{
    const uint32_t n = inner->Write(data, count, timeoutMs);
    if (n > 0) {
        log.Sent(data, n);
    }
    if (n < count) {
        log.Note("write ended after " + std::to_string(n) + " of " + std::to_string(count) + " bytes");
    }
    return n;
}
