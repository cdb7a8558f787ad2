#pragma once
#include "ComResolver.h"
#include "SerialDriver.h"
#include "cmcBuff.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TaskTimerSource;
class cmcTask;

// Why the last Open failed, for messages that tell the user what to do.
enum class OpenFailure {
    None,          // the last Open succeeded (or none was tried)
    AlreadyOpen,   // this port object was open already
    Missing,       // no such COM number or device
    Permission,    // not allowed to open the device (group dialout)
    Busy,          // another program holds the port
    NotSerial,     // the device is no tty
    Refused,       // the device refused the queues or the line settings
    Other,
};

// The program's serial port: opened by COM number with a settings string
// ("9600,N,8,1"); reads never wait; writes go through a send buffer that a
// send task drains in chunks that fit the driver's transmit queue.
class cmcComm {
public:
    // The driver does the port's work on the system; the resolver turns COM
    // numbers into what the driver opens; the send task runs on a timer of
    // timers, which must outlive the port. Platform.h has the system's.
    cmcComm(std::unique_ptr<SerialDriver> driver, ComResolver resolver, TaskTimerSource& timers);
    ~cmcComm();
    cmcComm(const cmcComm&) = delete;
    cmcComm& operator=(const cmcComm&) = delete;

    bool Open(int port, std::string_view settings);
    void Close();
    bool IsOpen() const { return isOpen; }
    bool Apply();
    bool SetBitRate(uint32_t rate);
    bool SetDtr(int mode);
    bool SetRts(int mode);
    void Write(const uint8_t* data, int32_t count);
    int32_t Read(uint8_t* buffer, int32_t count);
    uint32_t InCount();
    uint32_t OutCount();
    uint32_t PendingCount();
    uint32_t FreeCount();
    bool HasWriteError() const { return writeError; }
    void SendStep();
    // Waits until the radio's next bytes arrive or ms have passed; true when
    // they arrived. With the port closed, or bytes already waiting that were
    // left for later, the time just passes. The one call that may come from
    // another thread (a worker that paces the ticks); it does not touch the
    // port's state, so a plain loop can call it between two steps as well.
    bool WaitForInput(int ms);

    // Field index of text split at separator; none when there are fewer
    // fields. Text is in code page 932: a separator byte that is the second
    // byte of a double-byte character does not split.
    static std::optional<std::string> GetField(std::string_view text, char separator, int index);

    // Why the last Open failed: the system's errno (0 when the device did
    // not say) and its meaning.
    int LastOpenError() const { return lastOpenError; }
    OpenFailure LastOpenFailure() const { return lastOpenFailure; }

    int Port() const { return port; }
    uint32_t BitRate() const { return bitRate; }
    uint16_t LineFlags() const { return lineFlags; }
    uint8_t DataBits() const { return dataBits; }
    uint8_t Parity() const { return parity; }
    uint8_t StopBits() const { return stopBits; }
    // The write time-out: milliseconds per byte and the constant part.
    uint32_t WriteTimeoutPerByte() const { return writeTimeoutPerByte; }
    uint32_t WriteTimeoutConstant() const { return writeTimeoutConstant; }

private:
    void ParseSettings(std::string_view settings);
    LineSettings CurrentLineSettings() const;
    void SetLineMode(int shift, int mode);
    int LineMode(int shift) const;
    bool FailOpen(OpenFailure failure, int error);

    std::unique_ptr<SerialDriver> driver;
    ComResolver resolver;
    bool isOpen = false;                 // the handle is valid
    int port = 0;
    bool writeError = false;
    uint32_t inQueueSize = 32000;
    uint32_t outQueueSize = 1024;        // also the largest chunk written at once
    cmcBuff sendBuffer;
    uint32_t bitRate = 9600;
    uint16_t lineFlags;
    uint8_t dataBits = 8;
    uint8_t parity = ParityMode::None;
    uint8_t stopBits = 0;
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;
    uint8_t errorChar = 0x3F;
    uint8_t eofChar = 0xFD;
    uint8_t evtChar = 0xFE;
    uint32_t writeTimeoutPerByte = 0;
    uint32_t writeTimeoutConstant = 0;
    int lastOpenError = 0;
    OpenFailure lastOpenFailure = OpenFailure::None;
    cmcTask* task;                       // owned; see the destructor
};
