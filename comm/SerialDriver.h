#pragma once
#include <cstdint>
#include <string>

// Bits of the line-settings flag word, from bit 0 up (the DCB bit fields).
namespace LineFlag {
constexpr uint16_t Binary = 1u << 0;
constexpr uint16_t Parity = 1u << 1;            // parity checking
constexpr uint16_t OutxCtsFlow = 1u << 2;
constexpr uint16_t OutxDsrFlow = 1u << 3;
constexpr int DtrControlShift = 4;              // two bits: 0 off, 1 on, 2 handshake
constexpr uint16_t DsrSensitivity = 1u << 6;
constexpr uint16_t TxContinueOnXoff = 1u << 7;
constexpr uint16_t OutX = 1u << 8;
constexpr uint16_t InX = 1u << 9;
constexpr uint16_t ErrorChar = 1u << 10;
constexpr uint16_t Null = 1u << 11;
constexpr int RtsControlShift = 12;             // two bits: 0 off, 1 on, 2 handshake, 3 toggle
constexpr uint16_t AbortOnError = 1u << 14;
constexpr uint16_t AllBits = 0x7FFF;
constexpr uint16_t ModeMask = 0x3;
} // namespace LineFlag

// Parity modes, as the line settings number them.
namespace ParityMode {
constexpr uint8_t None = 0;
constexpr uint8_t Odd = 1;
constexpr uint8_t Even = 2;
constexpr uint8_t Mark = 3;
constexpr uint8_t Space = 4;
} // namespace ParityMode

// Everything a port applies to its line at once.
struct LineSettings {
    uint32_t bitRate = 9600;
    uint16_t flags = 0;         // LineFlag bits
    uint8_t dataBits = 8;       // 4 ... 8
    uint8_t parity = ParityMode::None;
    uint8_t stopBits = 0;       // 0 one, 1 one and a half, 2 two
    uint32_t xonLimit = 0;
    uint32_t xoffLimit = 0;
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;
    uint8_t errorChar = 0x3F;
    uint8_t eofChar = 0xFD;
    uint8_t evtChar = 0xFE;
    // A write of n bytes may take n * writeMsPerByte + writeMsConstant
    // milliseconds. A driver whose device keeps the time-out (a COM port's)
    // takes it from here once; others wait as each Write says.
    uint32_t writeMsPerByte = 0;
    uint32_t writeMsConstant = 0;
};

// The few serial-port operations the port needs from the system. Reads and
// counts never wait; a write waits at most the time-out it is given, and
// WaitForInput at most its own.
class SerialDriver {
public:
    virtual ~SerialDriver() = default;

    // 0 when the device is open and held exclusively, else an errno value.
    virtual int Open(const std::string& path) = 0;
    virtual void Close() = 0;
    // Asks for receive and transmit queues of these sizes. Drivers whose
    // queues are fixed (a tty's) accept any.
    virtual bool SetQueueSizes(uint32_t inBytes, uint32_t outBytes)
    {
        (void)inBytes;
        (void)outBytes;
        return true;
    }
    // Discards both queues.
    virtual bool Purge() = 0;
    virtual bool Configure(const LineSettings& settings) = 0;
    virtual bool SetModemLines(bool dtr, bool rts) = 0;
    // Bytes waiting in the receive queue and in the transmit queue; 0 on failure.
    virtual uint32_t InQueue() = 0;
    virtual uint32_t OutQueue() = 0;
    // Bytes read, 0 ... count; 0 on failure.
    virtual uint32_t Read(uint8_t* buffer, uint32_t count) = 0;
    // Bytes written; fewer than count when the time-out expired or the
    // device went away. timeoutMs is what the line settings' write time-out
    // gives for count bytes; a device that holds that time-out itself
    // (Configure) waits by it.
    virtual uint32_t Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs) = 0;
    // Waits until bytes arrive or timeoutMs have passed; true when they
    // arrived. Bytes already waiting when it is called were left for later,
    // so they do not end the wait; neither does a closed or broken line: the
    // time then just passes. Unlike the other calls it may come from another
    // thread than the one that opens and uses the port.
    virtual bool WaitForInput(int timeoutMs) = 0;
    // What a wait on several ports at once polls for this port's input (a
    // descriptor); -1 where there is none and the receive count is watched.
    virtual int InputDescriptor() const { return -1; }
};
