#pragma once
#include "SeqEvents.h"
#include "SeqPlatform.h"
#include "Targets.h"
#include "clsTick.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class PlainTaskTimers;
class clsMotS;
class clsPacket;
class cmcComm;
struct FirmwareSet;

// Carries out a firmware update as one polled state machine: each Step does
// a short piece of work for the current state, never waits for the radio,
// and returns the event code that tells the window what to show.
class clsMainSeq {
public:
    using HoldFunction = SeqPlatform::HoldFunction;

    // The built-in firmware on the platform's port, clock and hold, with
    // timers of its own.
    clsMainSeq();
    // Other firmware records and what platform fields are given (the
    // window's timers; a driver, clock or hold for tests, benchmarks and
    // fuzzing). The records must outlive the sequencer.
    explicit clsMainSeq(const FirmwareSet& images, SeqPlatform platform = {});
    ~clsMainSeq();
    clsMainSeq(const clsMainSeq&) = delete;
    clsMainSeq& operator=(const clsMainSeq&) = delete;

    int Step();                 // one short piece of work; the event code
    void StartUpdate();
    void SetPort(int n);
    int GetPort() const { return portNumber; }
    int GetProgress() const { return progress; }    // 0..255
    int GetTarget() const { return target; }
    bool IsInProgress() const { return inProgress; }
    int GetWriteTime() const { return writeTime; }  // seconds
    bool CanStart() const;      // state 2, 3 or 4
    void ClearEvent() { event = EvNone; }
    void SendExit();
    int GetState() const { return state; }

    // Counters behind the progress, for tests and tools.
    int GetBlocksDone() const { return blocksDone; }
    int GetBlocksTotal() const { return blocksTotal; }

    // The key byte made from a 31-bit random number.
    static uint8_t KeyByteFrom(uint32_t random);

    // Wrappers over the version check for the identity answer held here.
    int CompareVersion(int target, bool& invalid);
    int FirstOutdated(bool& invalid);

    // Per-target parameters (marker, boot request, areas, times).
    struct TargetParams;

private:

    // State work, one function a state or group of states.
    void DoCommOpen(bool retry);
    void DoIdentSetup();
    void DoIdentWait();
    void DoEvaluate();
    void DoSelect();
    void DoImageSetup();
    void DoBootSetup();
    void DoBootEnter();
    void DoBootMarker();
    void DoSyncSend00();
    void DoSyncWait00();
    void DoKeySend();
    void DoKeyWait();
    void DoModelChk();
    void DoModelWait();
    void DoVerChk();
    void DoVerWait();
    void DoFirmSendSize();
    void DoFirmReplySize(int which);
    void DoFirmSendData();
    void DoFirmWaitAA();
    void DoRomSetup();
    void DoRomSysCheck();
    void DoRomData();
    void DoRomSum();
    void DoRomEnd();

    // Goes to `next` with `ev` when the state has not moved and stepTimer ran out.
    void TimeOut(int entry, int ev, int next);
    void Fail(int ev, int next);
    void FailByState();
    void ClosePort();
    void Flush();
    bool ReadByte(uint8_t& b);
    void Send(const uint8_t* data, int count);
    void SendByte(uint8_t b);
    void SendPacket();
    void SendBlock(int32_t at, uint8_t command);
    void SetProgress();
    int CountDataBlocks(int32_t from, int32_t below) const;
    int ModelCode();

    const FirmwareSet& images;
    HoldFunction hold;
    // Only when no timers were given; before the port, which uses them.
    std::unique_ptr<PlainTaskTimers> ownTimers;

    int state = Opening;
    int event = EvNone;
    int portNumber = 1;
    std::unique_ptr<cmcComm> comm;
    std::unique_ptr<clsPacket> packet;
    std::unique_ptr<clsMotS> flashWriter;
    std::unique_ptr<clsMotS> firmImage;
    clsTick stepTimer;
    clsTick resendTimer;
    clsTick delayTimer;
    int target = TargetNone;
    bool evaluated = false;
    int writeTime = 0;
    uint8_t ident[17] = {};
    bool refused = false;
    bool inProgress = false;
    int progress = 0;
    int blocksDone = 0;
    int blocksTotal = 0;
    uint8_t keyByte = 0;
    int writerSent = 0;
    int writerChecked = 0;
    int32_t address = 0;
    int32_t areaLast = 0;
    bool awaitingAck = false;
    bool sumSent = false;
    std::vector<uint8_t> blockBuffer;
    std::vector<uint8_t> txBuffer;
    const TargetParams* params = nullptr;
    uint8_t sizeBytes[2] = {};
    std::mt19937 random;
};
