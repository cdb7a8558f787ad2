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
enum class OpenFailure;
struct FirmwareSet;
struct ProcessorProfile;

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

    SeqEvent Step();            // one short piece of work; the event code
    void StartUpdate();
    void SetPort(int n);
    int GetPort() const { return portNumber; }
    int GetProgress() const { return progress; }    // 0..255
    int GetTarget() const { return target; }
    bool IsInProgress() const { return inProgress; }
    int GetWriteTime() const { return writeTime; }  // seconds
    // The radio's last identity answer (identLength bytes, zeros before the first).
    const uint8_t* GetIdent() const { return ident; }
    bool CanStart() const;      // state 2, 3 or 4
    // How long to wait after this tick before the next (TickRhythm.h).
    int TickWaitMs() const;
    // Waits up to ms for the radio's next bytes (cmcComm::WaitForInput); may
    // be called from the thread that paces the ticks.
    bool WaitForInput(int ms);
    void ClearEvent() { event = SeqEvent::EvNone; }
    void SendExit();
    SeqState GetState() const { return state; }
    // Why the port last failed to open, with the system's errno (0 when it
    // did not say), so that the window can tell the user.
    OpenFailure GetOpenFailure() const;
    int GetOpenError() const;

    // Seeds the key byte's random numbers (the constructor seeds them from
    // the clock), so that a test sees the same key bytes every run.
    void SeedKey(uint32_t seed);

    // Counters behind the progress, for tests and tools.
    int GetBlocksDone() const { return blocksDone; }
    int GetBlocksTotal() const { return blocksTotal; }

    // The key byte made from a 31-bit random number.
    static uint8_t KeyByteFrom(uint32_t random);

    // Wrappers over the version check for the identity answer held here.
    int CompareVersion(int target, bool& invalid);
    int FirstOutdated(bool& invalid);

private:
    // Where the writing stands: the flash-writing upload's counters and the
    // block cursor. Firm_SendSize and RomW_Setup start it afresh.
    struct WriteCursor {
        int writerSent = 0;        // bytes of the flash-writing program sent
        int writerChecked = 0;     // and compared with what came back
        uint8_t sizeBytes[2] = {}; // the program's length as sent
        int32_t address = 0;       // next block to send
        int32_t areaLast = 0;      // last address of the area being written
        bool awaitingAck = false;  // a packet was sent and its one-byte answer is awaited
        bool sumSent = false;      // the sum went out ahead of the last block
    };

    // What came of waiting for one answer byte.
    enum class Answer { Nothing, Expected, Other };

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
    void DoKeySend();
    void DoModelChk();
    void DoVerChk();
    void DoVerWait();
    void DoFirmSendSize();
    void DoFirmSendData();
    void DoRomSetup();
    void DoRomSysCheck();
    void DoRomData(SeqState entry);
    void DoRomSum();
    void DoRomEnd();

    // Reads the one answer byte a waiting state is after. Another byte
    // fails at once with `wrong`, or is ignored when `wrong` is EvNone.
    Answer AwaitAnswer(uint8_t expected, SeqEvent wrong);
    // Sends a request again once resendTimer has run out.
    void Repeat(const uint8_t* request, int count);
    // The time-out rule of the waiting states, for a step that began in `entry`.
    void TimeOut(SeqState entry);
    void Fail(SeqEvent ev, SeqState next);
    void FailByState();
    void ClosePort();
    void Flush();
    bool ReadByte(uint8_t& b);
    void Send(const uint8_t* data, int count);
    void SendByte(uint8_t b);
    void SendPacket(uint8_t command, uint32_t field);
    void SendBlock(int32_t at, uint8_t command);
    void SendSum();
    void SetProgress();
    int CountDataBlocks(int32_t from, int32_t below) const;
    int ModelCode();
    void StartArea(int32_t first, int32_t last);

    const FirmwareSet& images;
    HoldFunction hold;
    SeqPlatform::PacketWatch packetWatch;
    // Only when no timers were given; before the port, which uses them.
    std::unique_ptr<PlainTaskTimers> ownTimers;

    SeqState state = SeqState::Opening;
    SeqEvent event = SeqEvent::EvNone;
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
    WriteCursor cursor;
    std::vector<uint8_t> blockBuffer;
    std::vector<uint8_t> txBuffer;
    const ProcessorProfile* profile = nullptr;
    std::mt19937 random;
};
