#include "MemoryRadio.h"

#include <algorithm>
#include <cerrno>

namespace {

// The serial driver the program's port gets: every call goes to the radio.
class MemoryCable final : public SerialDriver {
public:
    explicit MemoryCable(MemoryRadio& radio) : radio(radio) {}
    ~MemoryCable() override { radio.Close(); }
    MemoryCable(const MemoryCable&) = delete;
    MemoryCable& operator=(const MemoryCable&) = delete;

    int Open(const std::string&) override { return radio.Open(); }
    void Close() override { radio.Close(); }
    bool Purge() override { return radio.Purge(); }
    bool Configure(const LineSettings& settings) override { return radio.Configure(settings); }
    bool SetModemLines(bool, bool) override { return true; }
    uint32_t InQueue() override { return radio.InQueue(); }
    uint32_t OutQueue() override { return radio.OutQueue(); }
    uint32_t Read(uint8_t* buffer, uint32_t count) override { return radio.Read(buffer, count); }
    uint32_t Write(const uint8_t* data, uint32_t count, uint32_t) override { return radio.Write(data, count); }
    // Time on this cable moves only with its clock, which the harness turns:
    // nothing to wait for here, only whether an answer is there.
    bool WaitForInput(int) override { return radio.InQueue() > 0; }

private:
    MemoryRadio& radio;
};

} // namespace

MemoryRadio::MemoryRadio(const RadioOptions& options, const TickClock& clock)
    : radio(std::make_unique<RadioLine>(options)), clock(clock), lastReading(clock.Now())
{
    // The line starts as the radio's own side is set.
    line.bitRate = 38400;
}

bool MemoryRadio::SetUp(std::string& error)
{
    return radio->SetUp(error);
}

bool MemoryRadio::Swap(const RadioOptions& options, std::string& error)
{
    auto other = std::make_unique<RadioLine>(options);
    if (!other->SetUp(error)) {
        return false;
    }
    radio = std::move(other);
    toRadio.clear();
    toProgram.clear();
    return true;
}

std::unique_ptr<SerialDriver> MemoryRadio::Cable()
{
    return std::make_unique<MemoryCable>(*this);
}

RadioLine::Clock::time_point MemoryRadio::Now()
{
    const uint32_t reading = clock.Now();
    elapsedMs += static_cast<uint32_t>(reading - lastReading);
    lastReading = reading;
    return RadioLine::Clock::time_point(std::chrono::milliseconds(elapsedMs));
}

bool MemoryRadio::LineOk() const
{
    return line.bitRate == 38400 && line.dataBits == 8 && line.parity == ParityMode::None && line.stopBits == 0;
}

void MemoryRadio::CatchUp()
{
    const RadioLine::Clock::time_point now = Now();
    while (!toRadio.empty() && !radio->HungUp()) {
        RadioLine::Clock::time_point at = now;
        if (radio->Paced()) {
            if (!radio->MayTake(now)) {
                break;
            }
            at = radio->NextTake();  // when the byte's stop bit ended
        }
        const uint8_t byte = toRadio.front();
        toRadio.pop_front();
        if (!radio->Take(&byte, 1, at, LineOk(), static_cast<long>(line.bitRate))) {
            toRadio.clear();
            toProgram.clear();
        }
    }
    if (toRadio.empty()) {
        radio->Drained();
    }
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = radio->CopyDue(now, buffer, sizeof buffer)) > 0) {
        toProgram.insert(toProgram.end(), buffer, buffer + n);
        radio->Sent(n);
    }
}

std::optional<uint32_t> MemoryRadio::NextMove()
{
    CatchUp();
    std::optional<RadioLine::Clock::time_point> next = radio->NextDue();
    if (!toRadio.empty() && radio->Paced()) {
        next = next ? std::min(*next, radio->NextTake()) : radio->NextTake();
    }
    if (!next) {
        return std::nullopt;
    }
    // The first whole millisecond at or after the move.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(next->time_since_epoch()).count();
    const int64_t ms = std::max<int64_t>((ns + 999999) / 1000000, elapsedMs);
    return static_cast<uint32_t>(lastReading + static_cast<uint32_t>(ms - elapsedMs));
}

void MemoryRadio::PowerCycle()
{
    CatchUp();
    radio->PowerCycle();
    toRadio.clear();
}

RadioReport MemoryRadio::Report() const
{
    RadioReport report;
    radio->FillReport(report);
    return report;
}

std::vector<uint8_t> MemoryRadio::ReadFlash(bool dsp, uint32_t address, uint32_t count) const
{
    return radio->ReadFlash(dsp, address, count);
}

int MemoryRadio::Open()
{
    if (open) {
        return EBUSY;
    }
    if (radio->HungUp()) {
        return EIO;
    }
    open = true;
    return 0;
}

bool MemoryRadio::Purge()
{
    CatchUp();
    toRadio.clear();
    toProgram.clear();
    radio->Drained();
    return open;
}

bool MemoryRadio::Configure(const LineSettings& settings)
{
    CatchUp();
    line = settings;
    return open;
}

uint32_t MemoryRadio::InQueue()
{
    CatchUp();
    return open && !radio->HungUp() ? static_cast<uint32_t>(toProgram.size()) : 0;
}

uint32_t MemoryRadio::OutQueue()
{
    CatchUp();
    return open && !radio->HungUp() ? static_cast<uint32_t>(toRadio.size()) : 0;
}

uint32_t MemoryRadio::Read(uint8_t* buffer, uint32_t count)
{
    CatchUp();
    if (!open || radio->HungUp()) {
        return 0;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(count, toProgram.size()));
    std::copy_n(toProgram.begin(), n, buffer);
    toProgram.erase(toProgram.begin(), toProgram.begin() + n);
    bytesMoved += n;
    return n;
}

uint32_t MemoryRadio::Write(const uint8_t* data, uint32_t count)
{
    CatchUp();
    if (!open || radio->HungUp()) {
        return 0;  // a hung-up line fails the write, as the terminal does
    }
    toRadio.insert(toRadio.end(), data, data + count);
    bytesMoved += count;
    CatchUp();
    return count;
}
