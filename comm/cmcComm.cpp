#include "cmcComm.h"

#include "cmcTask.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {

// Flags after construction: binary, keep sending after XOFF, RTS on, DTR off,
// no parity checking and no flow control.
constexpr uint16_t kDefaultLineFlags = LineFlag::Binary | LineFlag::TxContinueOnXoff
    | (1u << LineFlag::RtsControlShift);

// Write time-out: 100,000 / bitRate ms per byte plus this.
constexpr uint32_t kWriteTimeoutConstant = 3000;
constexpr uint32_t kWriteTimeoutScale = 100000;
// The send task's pace while the driver still holds bytes or more are left.
constexpr int kSendRetryMs = 10;

// A decimal number as atoi reads one: leading blanks, a sign, digits up to
// the first non-digit; no digits give 0. Saturates instead of overflowing.
int64_t LeadingNumber(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), INT32_MAX);
    }
    return negative ? -value : value;
}

OpenFailure FailureOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO: // a legacy port with no UART behind it
        return OpenFailure::Missing;
    case EACCES:
    case EPERM:
        return OpenFailure::Permission;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenFailure::Busy;
    case ENOTTY:
        return OpenFailure::NotSerial;
    default:
        return OpenFailure::Other;
    }
}

} // namespace

cmcComm::cmcComm(std::unique_ptr<SerialDriver> platformDriver, ComResolver comResolver, TaskTimerSource& timers)
    : driver(std::move(platformDriver))
    , resolver(std::move(comResolver))
    , lineFlags(kDefaultLineFlags)
    , task(new cmcTask(timers))
{
    task->SetStep([this](cmcTask&) { SendStep(); });
}

cmcComm::~cmcComm()
{
    Close();
    // A stopped task can go at once; a running one must not be deleted under
    // its own tick.
    if (task->IsIdle() && !task->IsBusy()) {
        delete task;
    } else {
        task->Detach();
        task->DisposeLater();
    }
}

namespace {

// Code page 932 (the Japanese ANSI code page): a lead byte followed by a
// trail byte is one character.
bool IsCp932Lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsCp932Trail(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Where the next separator starts at or after from; a separator byte that
// is the second byte of a double-byte character is part of that character.
size_t FindSeparator(std::string_view text, char separator, size_t from)
{
    size_t at = from;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (IsCp932Lead(byte) && at + 1 < text.size() && IsCp932Trail(static_cast<unsigned char>(text[at + 1]))) {
            at += 2;
            continue;
        }
        if (text[at] == separator) {
            return at;
        }
        ++at;
    }
    return std::string_view::npos;
}

} // namespace

std::optional<std::string> cmcComm::GetField(std::string_view text, char separator, int index)
{
    if (index < 0) {
        return std::nullopt;
    }
    size_t begin = 0;
    for (int field = 0; field < index; ++field) {
        const size_t next = FindSeparator(text, separator, begin);
        if (next == std::string_view::npos) {
            return std::nullopt;
        }
        begin = next + 1;
    }
    const size_t end = FindSeparator(text, separator, begin);
    return std::string(text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}

// Fields that are missing keep the value they had.
void cmcComm::ParseSettings(std::string_view settings)
{
    if (const auto rate = GetField(settings, ',', 0)) {
        bitRate = static_cast<uint32_t>(LeadingNumber(*rate));
    }
    if (const auto letter = GetField(settings, ',', 1); letter && !letter->empty()) {
        switch (std::toupper(static_cast<unsigned char>((*letter)[0]))) {
        case 'N': parity = ParityMode::None; break;
        case 'O': parity = ParityMode::Odd; break;
        case 'E': parity = ParityMode::Even; break;
        case 'M': parity = ParityMode::Mark; break;
        default: break;
        }
        if (parity == ParityMode::None) {
            lineFlags &= static_cast<uint16_t>(~LineFlag::Parity);
        } else {
            lineFlags |= LineFlag::Parity;
        }
    }
    if (const auto bits = GetField(settings, ',', 2)) {
        dataBits = static_cast<uint8_t>(std::clamp<int64_t>(LeadingNumber(*bits), 4, 8));
    }
    if (const auto stop = GetField(settings, ',', 3)) {
        stopBits = *stop == "1.5" ? 1 : *stop == "2" ? 2 : 0;
    }
}

bool cmcComm::FailOpen(OpenFailure failure, int error)
{
    lastOpenFailure = failure;
    lastOpenError = error;
    return false;
}

bool cmcComm::Open(int portNumber, std::string_view settings)
{
    if (isOpen) {
        return FailOpen(OpenFailure::AlreadyOpen, 0);
    }
    port = portNumber;
    writeError = false;
    ParseSettings(settings);

    const std::optional<std::string> path = resolver ? resolver(portNumber) : std::nullopt;
    if (!path) {
        return FailOpen(OpenFailure::Missing, ENOENT);
    }
    if (const int error = driver->Open(*path); error != 0) {
        return FailOpen(FailureOfErrno(error), error);
    }
    isOpen = true;
    if (!driver->SetQueueSizes(inQueueSize, outQueueSize) || !driver->Purge() || !Apply()) {
        Close();
        return FailOpen(OpenFailure::Refused, 0);
    }
    lastOpenFailure = OpenFailure::None;
    lastOpenError = 0;
    return true;
}

void cmcComm::Close()
{
    task->Run(-1);
    if (isOpen) {
        driver->Close();
    }
    isOpen = false;
    sendBuffer.Clear();
    writeError = false;
}

LineSettings cmcComm::CurrentLineSettings() const
{
    LineSettings line;
    line.bitRate = bitRate;
    line.flags = lineFlags & LineFlag::AllBits;
    line.dataBits = dataBits;
    line.parity = parity;
    line.stopBits = stopBits;
    line.xonLimit = inQueueSize / 2;
    line.xoffLimit = inQueueSize * 3 / 4;
    line.xonChar = xonChar;
    line.xoffChar = xoffChar;
    line.errorChar = errorChar;
    line.eofChar = eofChar;
    line.evtChar = evtChar;
    line.writeMsPerByte = writeTimeoutPerByte;
    line.writeMsConstant = writeTimeoutConstant;
    return line;
}

bool cmcComm::Apply()
{
    // The write time-out divides by the rate; no line runs at 0 bit/s.
    if (!isOpen || bitRate == 0) {
        return false;
    }
    writeTimeoutPerByte = kWriteTimeoutScale / bitRate;
    writeTimeoutConstant = kWriteTimeoutConstant;
    // Handshake and toggle modes drive the line as on.
    return driver->Configure(CurrentLineSettings())
        && driver->SetModemLines(LineMode(LineFlag::DtrControlShift) != 0,
                                 LineMode(LineFlag::RtsControlShift) != 0);
}

int cmcComm::LineMode(int shift) const
{
    return (lineFlags >> shift) & LineFlag::ModeMask;
}

void cmcComm::SetLineMode(int shift, int mode)
{
    const auto mask = static_cast<uint16_t>(LineFlag::ModeMask << shift);
    lineFlags = static_cast<uint16_t>((lineFlags & ~mask) | ((mode & LineFlag::ModeMask) << shift));
}

bool cmcComm::SetBitRate(uint32_t rate)
{
    bitRate = rate;
    return Apply();
}

bool cmcComm::SetDtr(int mode)
{
    SetLineMode(LineFlag::DtrControlShift, mode);
    return Apply();
}

bool cmcComm::SetRts(int mode)
{
    SetLineMode(LineFlag::RtsControlShift, mode);
    return Apply();
}

void cmcComm::Write(const uint8_t* data, int32_t count)
{
    if (!isOpen) {
        return;
    }
    task->Run(-1);
    sendBuffer.Append(data, count);
    // After a failed write the line is broken: keep the bytes, send nothing
    // more until the port is closed or opened again.
    if (writeError) {
        return;
    }
    task->Run(0);
    SendStep();
}

void cmcComm::SendStep()
{
    if (!isOpen) {
        task->Run(-1);
        return;
    }
    const int32_t pending = sendBuffer.Length();
    const int32_t chunk = std::min<int32_t>(pending, static_cast<int32_t>(outQueueSize));
    if (OutCount() != 0) {
        task->Run(kSendRetryMs);
        return;
    }
    const uint32_t timeout = static_cast<uint32_t>(chunk) * writeTimeoutPerByte + writeTimeoutConstant;
    const uint32_t written = chunk > 0 ? driver->Write(sendBuffer.Data(), static_cast<uint32_t>(chunk), timeout) : 0;
    if (written < static_cast<uint32_t>(chunk)) {
        // What went out is gone from the buffer; the rest stays.
        sendBuffer.Assign(sendBuffer.Data() + written, pending - static_cast<int32_t>(written));
        writeError = true;
        task->Run(-1);
        return;
    }
    if (chunk < pending) {
        sendBuffer.Assign(sendBuffer.Data() + chunk, pending - chunk);
        task->Run(kSendRetryMs);
        return;
    }
    sendBuffer.SetLength(0);
    task->Run(-1);
}

int32_t cmcComm::Read(uint8_t* buffer, int32_t count)
{
    if (!isOpen || buffer == nullptr || count <= 0) {
        return 0;
    }
    const uint32_t take = std::min<uint32_t>(static_cast<uint32_t>(count), InCount());
    if (take == 0) {
        return 0;
    }
    return static_cast<int32_t>(std::min(driver->Read(buffer, take), take));
}

bool cmcComm::WaitForInput(int ms)
{
    // The driver knows whether its line is open; isOpen belongs to the port's thread.
    return driver->WaitForInput(ms);
}

uint32_t cmcComm::InCount()
{
    return isOpen ? driver->InQueue() : 0;
}

uint32_t cmcComm::OutCount()
{
    return isOpen ? driver->OutQueue() : 0;
}

uint32_t cmcComm::PendingCount()
{
    return OutCount() + static_cast<uint32_t>(sendBuffer.Length());
}

uint32_t cmcComm::FreeCount()
{
    if (!isOpen) {
        return 0;
    }
    const uint32_t pending = PendingCount();
    // More pending than the queue holds is no room at all, not a wrapped count.
    return pending < outQueueSize ? outQueueSize - pending : 0;
}
