#pragma once

#include "FaultPlan.h"
#include "FrameDecoder.h"
#include "RadioFlash.h"
#include "RadioOptions.h"
#include "RadioReport.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Bytes the radio sends back for one answer, possibly changed by a fault.
struct Emission {
    std::vector<uint8_t> bytes;
    int delayMs = 0;      // to be sent this much later
    bool hangUp = false;  // drop the line instead
};

// The radio's boot loader: its two flash memories and the protocol, fed one
// received byte at a time. Knows nothing of time or of the line.
class BootLoader {
public:
    BootLoader();

    // Fills the flashes for the options, from these images. False, with the
    // reason, when the options cannot be met.
    bool SetUp(const RadioOptions& options, const FirmwareSet& images, std::string& error);

    // One byte from the program; answers are appended to `out`.
    void Feed(uint8_t byte, std::vector<Emission>& out);

    // Switched off and on in update mode: the protocol starts over and a
    // silent radio talks again; the flash is kept.
    void PowerCycle();

    void RecordError(std::string text);
    void FillReport(RadioReport& report) const;

    const RadioFlash& Flash(bool dsp) const { return dsp ? dspFlash : cpuFlash; }

    // The requests the program repeats until it hears an answer (identity,
    // boot, exit, the boot marker): how many were heard, and the kind of the
    // last (its command byte, or markerRequest).
    static constexpr int markerRequest = 0x100;
    int RequestsHeard() const { return requestsHeard; }
    int LastRequest() const { return lastRequest; }

private:
    enum class Phase { Idle, Marker, Sync, Key, Model, Version, SizeHigh, SizeLow, Writer, Packets, Off };

    void StartOver();
    bool CommandComplete(uint8_t byte);
    void Heard(int request);
    void HandleCommand(uint8_t command, std::vector<Emission>& out);
    void FeedIdle(uint8_t byte, std::vector<Emission>& out);
    void FeedMarker(uint8_t byte, std::vector<Emission>& out);
    void FeedSync(uint8_t byte, std::vector<Emission>& out);
    void FeedModel(uint8_t byte, std::vector<Emission>& out);
    void FeedVersion(uint8_t byte, std::vector<Emission>& out);
    void FeedSize(uint8_t byte, std::vector<Emission>& out);
    void FeedWriter(uint8_t byte, std::vector<Emission>& out);
    void FeedPacket(uint8_t byte, std::vector<Emission>& out);
    void HandleData(std::vector<Emission>& out);
    void HandleSum(std::vector<Emission>& out);
    void HandleEnd(std::vector<Emission>& out);
    void DspVerdict(std::vector<Emission>& out);
    bool CpuFlashAgreesWithSession(std::vector<Emission>& out);
    void AnswerIdentity(std::vector<Emission>& out);
    std::vector<uint8_t> IdentityFromFlash() const;

    // Sends an answer through the fault plan. A quiet answer (the writer's
    // bytes when they are not echoed, the end packet) sends nothing unless
    // a fault makes it.
    void Answer(std::string_view point, std::vector<uint8_t> bytes, std::vector<Emission>& out,
                bool quiet = false, int block = 0);
    // Records what was wrong, answers `refusal` and starts over.
    void Refuse(std::string text, uint8_t refusal, std::vector<Emission>& out);
    FaultPlan::Session Session() const;

    RadioFlash cpuFlash;
    RadioFlash dspFlash;
    std::vector<uint8_t> cpuReference;
    std::vector<uint8_t> dspReference;
    std::vector<uint8_t> writer;
    uint8_t variantMark = 'E';
    bool echoWriter = false;
    std::vector<uint8_t> frozenIdentity;  // the answer it keeps giving, when it keeps its old versions
    FaultPlan faults;
    FrameDecoder decoder;

    Phase phase = Phase::Idle;
    bool silenced = false;
    bool dspSession = false;
    std::vector<uint8_t> command;  // plain bytes of a four-byte command so far
    std::vector<uint8_t> recent;   // last bytes, for the boot marker
    uint8_t keyByte = 0;
    uint8_t modelCode = 0;
    std::vector<uint8_t> version;  // the version text this session announced
    uint8_t sizeHigh = 0;
    size_t writerIndex = 0;
    // What this boot session has done to the flash.
    bool systemErased = false;
    bool appErased = false;
    int dataPackets = 0;
    bool sumPending = false;
    uint16_t pendingSum = 0;
    bool lastBlockWritten = false;

    std::map<int, int> packetsByCommand;
    int blocksWritten = 0;
    int blocksChecked = 0;
    int identitiesAnswered = 0;
    int bootSessions = 0;
    int writerBytesTaken = 0;
    int requestsHeard = 0;
    int lastRequest = -1;
    std::vector<std::string> errors;
};
