#pragma once
// Public face of the update sequencer. The private part is filled in with the
// implementation; callers use only what is declared public here.
#include "SeqEvents.h"
#include "Targets.h"

#include <memory>

class SerialDriver;
class TickClock;
struct FirmwareSet;

class clsMainSeq {
public:
    // The built-in firmware, the Linux serial port and the system clock.
    clsMainSeq();
    // Other firmware records, another port driver (null: Linux) or another
    // clock (null: the system's), for tests, benchmarks and fuzzing.
    clsMainSeq(const FirmwareSet& images, std::unique_ptr<SerialDriver> driver, const TickClock* clock);
    ~clsMainSeq();
    clsMainSeq(const clsMainSeq&) = delete;
    clsMainSeq& operator=(const clsMainSeq&) = delete;

    int Step();                 // one short piece of work; the event code
    void StartUpdate();
    void SetPort(int n);
    int GetPort() const;
    int GetProgress() const;    // 0..255
    int GetTarget() const;
    bool IsInProgress() const;
    int GetWriteTime() const;   // seconds
    bool CanStart() const;      // state 2, 3 or 4
    void ClearEvent();
    void SendExit();
    int GetState() const;       // the state number, for tests and tools
};
