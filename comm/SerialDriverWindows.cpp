#include "SerialDriverWindows.h"

#include <cerrno>
#include <windows.h>

namespace {

HANDLE Handle(void* port)
{
    return static_cast<HANDLE>(port);
}

// Puts the 15 flag bits into the DCB's bit fields; the rest stay as read.
void PutLineFlags(DCB& dcb, uint16_t flags)
{
    const auto bit = [flags](uint16_t mask) { return (flags & mask) != 0 ? 1u : 0u; };
    const auto mode = [flags](int shift) { return static_cast<unsigned>((flags >> shift) & LineFlag::ModeMask); };
    dcb.fBinary = bit(LineFlag::Binary);
    dcb.fParity = bit(LineFlag::Parity);
    dcb.fOutxCtsFlow = bit(LineFlag::OutxCtsFlow);
    dcb.fOutxDsrFlow = bit(LineFlag::OutxDsrFlow);
    dcb.fDtrControl = mode(LineFlag::DtrControlShift);
    dcb.fDsrSensitivity = bit(LineFlag::DsrSensitivity);
    dcb.fTXContinueOnXoff = bit(LineFlag::TxContinueOnXoff);
    dcb.fOutX = bit(LineFlag::OutX);
    dcb.fInX = bit(LineFlag::InX);
    dcb.fErrorChar = bit(LineFlag::ErrorChar);
    dcb.fNull = bit(LineFlag::Null);
    dcb.fRtsControl = mode(LineFlag::RtsControlShift);
    dcb.fAbortOnError = bit(LineFlag::AbortOnError);
}

struct OpenErrorEntry {
    DWORD error;
    int errnoValue;
};

// CreateFile's answers for a COM device and what they mean to the port.
constexpr OpenErrorEntry kOpenErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},      // no such COM number
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},
    {ERROR_ACCESS_DENIED, EBUSY},        // another program holds the port
    {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_NOT_READY, ENODEV},           // an adapter unplugged, its name not yet gone
    {ERROR_GEN_FAILURE, ENODEV},
    {ERROR_DEVICE_NOT_CONNECTED, ENODEV},
    {ERROR_NOT_SUPPORTED, ENOTTY},
    {ERROR_INVALID_FUNCTION, ENOTTY},
};

} // namespace

int SerialDriverWindows::ErrnoOfOpenError(unsigned long error)
{
    for (const OpenErrorEntry& entry : kOpenErrors) {
        if (entry.error == error) {
            return entry.errnoValue;
        }
    }
    return EINVAL;
}

SerialDriverWindows::~SerialDriverWindows()
{
    Close();
}

int SerialDriverWindows::Open(const std::string& path)
{
    Close();
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return ErrnoOfOpenError(GetLastError());
    }
    port = handle;
    return 0;
}

void SerialDriverWindows::Close()
{
    if (port != nullptr) {
        CloseHandle(Handle(port));
        port = nullptr;
    }
}

bool SerialDriverWindows::SetQueueSizes(uint32_t inBytes, uint32_t outBytes)
{
    return port != nullptr && SetupComm(Handle(port), inBytes, outBytes) != 0;
}

bool SerialDriverWindows::Purge()
{
    return port != nullptr
        && PurgeComm(Handle(port), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

bool SerialDriverWindows::Configure(const LineSettings& settings)
{
    // Both write time-outs 0 would let a write wait for ever.
    if (port == nullptr || (settings.writeMsPerByte == 0 && settings.writeMsConstant == 0)) {
        return false;
    }
    // A read returns at once with what has arrived; a write of n bytes may
    // take n times the time per byte plus the constant.
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = settings.writeMsPerByte;
    timeouts.WriteTotalTimeoutConstant = settings.writeMsConstant;
    if (SetCommTimeouts(Handle(port), &timeouts) == 0) {
        return false;
    }
    DCB dcb {};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(Handle(port), &dcb) == 0) {
        return false;
    }
    dcb.BaudRate = settings.bitRate;
    PutLineFlags(dcb, settings.flags);  // DTR and RTS among them
    dcb.wReserved = 0;
    dcb.XonLim = static_cast<WORD>(settings.xonLimit);
    dcb.XoffLim = static_cast<WORD>(settings.xoffLimit);
    dcb.ByteSize = settings.dataBits;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    dcb.XonChar = static_cast<char>(settings.xonChar);
    dcb.XoffChar = static_cast<char>(settings.xoffChar);
    dcb.ErrorChar = static_cast<char>(settings.errorChar);
    dcb.EofChar = static_cast<char>(settings.eofChar);
    dcb.EvtChar = static_cast<char>(settings.evtChar);
    return SetCommState(Handle(port), &dcb) != 0;
}

// The line settings (the DCB's DTR and RTS modes) have set both lines.
bool SerialDriverWindows::SetModemLines(bool dtr, bool rts)
{
    (void)dtr;
    (void)rts;
    return port != nullptr;
}

bool SerialDriverWindows::Counts(uint32_t& in, uint32_t& out)
{
    DWORD errors = 0;
    COMSTAT status {};
    if (port == nullptr || ClearCommError(Handle(port), &errors, &status) == 0) {
        return false;
    }
    in = status.cbInQue;
    out = status.cbOutQue;
    return true;
}

uint32_t SerialDriverWindows::InQueue()
{
    uint32_t in = 0;
    uint32_t out = 0;
    return Counts(in, out) ? in : 0;
}

// The receive count is looked at every millisecond: a new byte ends the
// wait; bytes that were there already do not.
bool SerialDriverWindows::WaitForInput(int timeoutMs)
{
    const uint32_t before = InQueue();
    const DWORD start = GetTickCount();
    while (static_cast<int>(GetTickCount() - start) < timeoutMs) {
        Sleep(1);
        if (InQueue() > before) {
            return true;
        }
    }
    return false;
}

uint32_t SerialDriverWindows::OutQueue()
{
    uint32_t in = 0;
    uint32_t out = 0;
    return Counts(in, out) ? out : 0;
}

uint32_t SerialDriverWindows::Read(uint8_t* buffer, uint32_t count)
{
    DWORD got = 0;
    if (port == nullptr || count == 0 || ReadFile(Handle(port), buffer, count, &got, nullptr) == 0) {
        return 0;
    }
    return got;
}

uint32_t SerialDriverWindows::Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs)
{
    if (port == nullptr || count == 0) {
        return 0;
    }
    // The device holds the time-out that Configure gave it, the one that
    // timeoutMs was worked out from.
    (void)timeoutMs;
    // On failure too, put is what went out before the device gave up.
    DWORD put = 0;
    WriteFile(Handle(port), data, count, &put, nullptr);
    return put;
}
