#include "clsMainSeq.h"

#include "FirmImages.h"
#include "ScrambleKey.h"
#include "VersionCheck.h"
#include "clsMotS.h"
#include "clsPacket.h"
#include "PlainTaskTimers.h"
#include "Platform.h"
#include "SerialDriver.h"
#include "cmcComm.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

// Per-target parameters, one row a target. Addresses are radio addresses,
// first and last inclusive.
struct clsMainSeq::TargetParams {
    int target;
    const char* marker;            // boot marker, 9 characters
    uint8_t bootRequest[4];
    uint32_t storeCapacity;
    int32_t modelAddress;          // -1: the model code is fixed
    uint8_t fixedModel;
    int32_t versionAddress;        // -1: the fixed version text is sent
    const char* fixedVersion;
    int32_t sysFirst, sysLast;     // sysLast < sysFirst: no system area
    int32_t sumFirst, sumLast;
    int32_t appFirst, appLast;
    int32_t blockSize;
    int blockTimeout;
    int endWait;
};

namespace {

const uint8_t IdentRequest[4] = {0x33, 0x90, 0x82, 0x82};
const uint8_t ExitCommand[4] = {0x33, 0x90, 0x82, 0x83};
constexpr uint8_t Accepted = 0xAA;
constexpr uint8_t MarkerAccepted = 0x55;
constexpr uint8_t BlockAccepted = 0xFB;
constexpr uint8_t CmdWrite = 0x00;
constexpr uint8_t CmdCheck = 0x08;
constexpr uint8_t ModelRefused = 10;
constexpr const char* PortSettings = "9600,N,8,1";
constexpr int LineRate = 38400;
constexpr int IdentTimeout = 5000;
constexpr int BootTimeout = 5000;
constexpr int ResendInterval = 100;
constexpr int WriterTimeout = 8000;
constexpr int DspSumTimeout = 15000;
constexpr int WriteSettle = 300;
constexpr int OpenRetryDelay = 3000;
constexpr int SettleTime = 1000;
constexpr int FlushHold = 100;
constexpr int FlushLimit = 65535;
constexpr int WriterCheckRounds = 8;
constexpr int WriterCheckChunk = 16;
constexpr int WriterSendPerStep = 255;
constexpr int DspBlocks = 768;

const clsMainSeq::TargetParams* ParamsFor(int target)
{
    using P = clsMainSeq::TargetParams;
    static const P table[] = {
        {TargetCpu, "VEXA5127M", {0x33, 0x90, 0x82, 0x80}, 16777216, 0xFFC000, 0, 0xE80480, nullptr,
         0xFFC000, 0xFFFFFF, 0xE80000, 0xFFFFFF, 0xE80000, 0xFFFFFF, 256, 8000, 2000},
        {TargetDsp, "VEXA5127D", {0x33, 0x90, 0x82, 0x81}, 262144, -1, 30, -1, "0.00-000",
         0, -1, 0x010000, 0x03FFFF, 0x010000, 0x03FFFF, 256, 8000, 2000},
    };
    for (const P& p : table) {
        if (p.target == target) {
            return &p;
        }
    }
    return nullptr;
}

void SleepFor(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

clsMainSeq::clsMainSeq() : clsMainSeq(BuiltInFirmware())
{
}

clsMainSeq::clsMainSeq(const FirmwareSet& firmware, SeqPlatform platform)
    : images(firmware),
      hold(platform.hold ? std::move(platform.hold) : HoldFunction(SleepFor)),
      ownTimers(platform.timers != nullptr
                    ? nullptr
                    : std::make_unique<PlainTaskTimers>(platform.clock != nullptr ? *platform.clock : PlatformClock())),
      comm(std::make_unique<cmcComm>(platform.driver != nullptr ? std::move(platform.driver) : PlatformSerialDriver(),
                                     platform.resolver ? std::move(platform.resolver) : PlatformComResolver(),
                                     platform.timers != nullptr ? *platform.timers : *ownTimers)),
      packet(std::make_unique<clsPacket>()),
      stepTimer(platform.clock),
      resendTimer(platform.clock),
      delayTimer(platform.clock),
      random(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()))
{
    ClosePort();
}

clsMainSeq::~clsMainSeq() = default;

bool clsMainSeq::CanStart() const
{
    return state == Reset || state == Standby || state == Confirm;
}

void clsMainSeq::SetPort(int n)
{
    portNumber = n;
}

void clsMainSeq::StartUpdate()
{
    // Only the confirmation of a question goes on to the writing; a start
    // that comes before a failed run has reached Standby must not reuse
    // that run's evaluation.
    if (state != Confirm) {
        evaluated = false;
    }
    state = Begin;
    if (!evaluated) {
        target = TargetNone;
        writeTime = 0;
    }
    refused = false;
}

int clsMainSeq::Step()
{
    // Timers of its own run with the ticks; given ones run on their loop.
    if (ownTimers) {
        ownTimers->RunDue();
    }
    const int s = state;
    switch (s) {
    case Opening: state = Reset; break;
    case Reset: ClosePort(); state = Standby; break;
    case Standby: evaluated = false; ClosePort(); progress = 0; break;
    case Confirm: ClosePort(); progress = 0; break;
    case Begin:
        ClosePort();
        delayTimer.Start(SettleTime);
        progress = 0;
        state = CommOpen;
        break;
    case CommOpen: DoCommOpen(false); break;
    case CommRetry: DoCommOpen(true); break;
    case CommSettle:
        if (delayTimer.Remaining() == 0) {
            state = Ident_Setup;
        }
        break;
    case Ident_Setup: DoIdentSetup(); break;
    case Ident_Wait: DoIdentWait(); break;
    case Evaluate: DoEvaluate(); break;
    case Select: DoSelect(); break;
    case Image_Setup: DoImageSetup(); break;
    case Boot_Setup: DoBootSetup(); break;
    case Boot_Enter: DoBootEnter(); break;
    case Boot_Marker: DoBootMarker(); break;
    case Sync_Send00: DoSyncSend00(); break;
    case Sync_Wait00: DoSyncWait00(); break;
    case Key_Send: DoKeySend(); break;
    case Key_Wait: DoKeyWait(); break;
    case ModelChk: DoModelChk(); break;
    case ModelChk_WaitAA: DoModelWait(); break;
    case VerChk: DoVerChk(); break;
    case VerChk_WaitAA: DoVerWait(); break;
    case Firm_SendSize: DoFirmSendSize(); break;
    case Firm_ReplySize_U: DoFirmReplySize(0); break;
    case Firm_ReplySize_L: DoFirmReplySize(1); break;
    case Firm_SendData: DoFirmSendData(); break;
    case Firm_WaitAA: DoFirmWaitAA(); break;
    case RomW_Setup: DoRomSetup(); break;
    case RomW_Setup_Wait:
        if (resendTimer.Remaining() == 0) {
            stepTimer.Start(params->blockTimeout);
            state = RomW_Branch;
        }
        break;
    case RomW_Branch: state = target == TargetCpu ? RomW_SysStart : RomW_SysCheck; break;
    case RomW_SysStart:
        address = params->sysFirst;
        state = RomW_SysCheck;
        break;
    case RomW_SysCheck: DoRomSysCheck(); break;
    case RomW_SysData:
    case RomW_Data: DoRomData(); break;
    case RomW_Sum: DoRomSum(); break;
    case RomW_End: DoRomEnd(); break;
    case Wake_Wait:
        if (stepTimer.Remaining() == 0) {
            state = Ident_Setup;  // ask for the identity again: not a failure
        }
        break;
    case Wake_Reset:
        Send(ExitCommand, sizeof ExitCommand);
        state = Completed;
        break;
    case Completed:
        inProgress = false;
        event = EvCompleted;
        state = Standby;
        break;
    default: state = Reset; break;
    }
    if (comm->HasWriteError()) {
        FailByState();
    }
    if (event != EvNone && event < EvUpdatingCpu) {
        inProgress = false;
    }
    return event;
}

// --- helpers --------------------------------------------------------------

void clsMainSeq::TimeOut(int entry, int ev, int next)
{
    if (state == entry && stepTimer.Remaining() == 0) {
        Fail(ev, next);
    }
}

void clsMainSeq::Fail(int ev, int next)
{
    event = ev;
    state = next;
}

void clsMainSeq::FailByState()
{
    int ev = EvUnknown;
    switch (state) {
    case CommSettle: case Boot_Enter: case Boot_Marker: ev = EvBoot; break;
    case Sync_Wait00: case Key_Wait: ev = EvHandshake; break;
    case ModelChk_WaitAA: ev = EvModel; break;
    case VerChk_WaitAA: ev = EvVersionAnswer; break;
    case Firm_ReplySize_U: case Firm_ReplySize_L: case Firm_SendData: case Firm_WaitAA: ev = EvFirmUpload; break;
    case RomW_Branch: case RomW_SysCheck: case RomW_SysData: case RomW_Data: case RomW_Sum: ev = EvRomData; break;
    case RomW_SysStart: ev = EvSysStart; break;
    default: break;
    }
    Fail(ev, Reset);
}

void clsMainSeq::ClosePort()
{
    if (comm->IsOpen()) {
        comm->SetDtr(0);
        comm->SetRts(0);
        comm->Close();
    }
}

void clsMainSeq::Flush()
{
    if (!comm->IsOpen()) {
        return;
    }
    hold(FlushHold);
    uint8_t b;
    for (int n = 0; n < FlushLimit && comm->Read(&b, 1) > 0; ++n) {
    }
}

bool clsMainSeq::ReadByte(uint8_t& b)
{
    return comm->Read(&b, 1) > 0;
}

void clsMainSeq::Send(const uint8_t* data, int count)
{
    comm->Write(data, count);
}

void clsMainSeq::SendByte(uint8_t b)
{
    comm->Write(&b, 1);
}

void clsMainSeq::SendPacket()
{
    const int n = packet->GetLength();
    if (static_cast<int>(txBuffer.size()) < n) {
        txBuffer.resize(n);
    }
    packet->CopyTo(txBuffer.data());
    Send(txBuffer.data(), n);
}

void clsMainSeq::SendBlock(int32_t at, uint8_t command)
{
    firmImage->Read(at, params->blockSize, blockBuffer.data());
    packet->MakeData(blockBuffer.data(), static_cast<uint32_t>(at), params->blockSize, command);
    SendPacket();
}

void clsMainSeq::SetProgress()
{
    progress = blocksTotal > 0 ? blocksDone * 255 / blocksTotal : 0;
}

int clsMainSeq::CountDataBlocks(int32_t from, int32_t below) const
{
    int n = 0;
    for (int64_t a = from; a < below; a += params->blockSize) {
        if (!firmImage->IsBlank(static_cast<int32_t>(a), params->blockSize)) {
            ++n;
        }
    }
    return n;
}

uint8_t clsMainSeq::KeyByteFrom(uint32_t r)
{
    const uint32_t c = r % 65536;
    return static_cast<uint8_t>((c / 255 + c % 255) % 256);
}

int clsMainSeq::CompareVersion(int t, bool& invalid)
{
    return ::CompareVersion(ident, t, invalid, refused, images);
}

int clsMainSeq::FirstOutdated(bool& invalid)
{
    return ::FirstOutdated(ident, invalid, refused, images);
}

// --- connection and identity ---------------------------------------------

void clsMainSeq::DoCommOpen(bool retry)
{
    if (retry && stepTimer.Remaining() != 0) {
        return;
    }
    comm->SetDtr(0);
    comm->SetRts(0);
    if (comm->Open(portNumber, PortSettings)) {
        Flush();
        comm->SetBitRate(LineRate);
        Flush();
        state = CommSettle;
    } else if (!retry) {
        stepTimer.Start(OpenRetryDelay);
        state = CommRetry;
    } else {
        Fail(EvComOpen, Reset);
    }
}

void clsMainSeq::DoIdentSetup()
{
    comm->SetDtr(1);
    comm->SetRts(1);
    comm->SetBitRate(LineRate);
    Flush();
    resendTimer.Start(0);
    stepTimer.Start(IdentTimeout);
    state = Ident_Wait;
}

void clsMainSeq::DoIdentWait()
{
    const int n = static_cast<int>(comm->InCount());
    if (n == identLength) {
        if (comm->Read(ident, identLength) > 0) {
            state = evaluated ? Select : Evaluate;
        }
    } else if (n > identLength) {
        stepTimer.Start(0);  // more than one answer at once: fail now
    } else if (n <= 0 && resendTimer.Remaining() == 0) {
        Send(IdentRequest, sizeof IdentRequest);
        resendTimer.Start(ResendInterval);
    }
    TimeOut(Ident_Wait, EvNoAnswer, Standby);
}

void clsMainSeq::DoEvaluate()
{
    enum { None, Update, Downgrade } kind = None;
    bool invalid = false;
    writeTime = 0;
    if (HasBlankCpu(ident)) {
        refused = false;
        kind = Update;
        writeTime = writeTimeTable[TargetCpu] + writeTimeTable[TargetDsp];
    } else {
        for (int t : {TargetCpu, TargetDsp}) {
            const int r = CompareVersion(t, invalid);
            if (invalid) {
                break;
            }
            if (r != 0) {
                writeTime += writeTimeTable[t];
                if (r < 0) {
                    kind = Update;
                } else if (kind == None) {
                    kind = Downgrade;
                }
            }
        }
    }
    if (invalid || refused) {
        target = TargetRefused;
        Fail(EvCannotUpdate, Wake_Reset);
        return;
    }
    evaluated = true;
    switch (kind) {
    case None: state = Wake_Reset; break;
    case Downgrade: Fail(EvConfirmDowngrade, Confirm); break;
    case Update: Fail(EvConfirmUpdate, Confirm); break;
    }
}

void clsMainSeq::DoSelect()
{
    bool invalid = false;
    const int d = FirstOutdated(invalid);
    if (invalid) {
        target = d;
        Fail(EvVersion, Standby);
    } else if (refused) {
        target = TargetRefused;
        Fail(EvCannotUpdate, Wake_Reset);
    } else if (d == TargetsDone) {
        state = Wake_Reset;
    } else if (d <= target) {
        Fail(EvFirmUpload, Standby);  // the target just written still differs
    } else {
        progress = 0;
        target = d;
        Fail(d == TargetCpu ? EvUpdatingCpu : EvUpdatingDsp, Image_Setup);
    }
}

// --- boot hand-shake ------------------------------------------------------

void clsMainSeq::DoImageSetup()
{
    flashWriter.reset();
    firmImage.reset();
    params = ParamsFor(target);
    if (params == nullptr) {
        Fail(EvUnknown, Reset);
        return;
    }
    blockBuffer.assign(params->blockSize, 0);
    firmImage = LoadImage(target == TargetCpu ? images.cpu : images.dsp, params->storeCapacity);
    if (target == TargetCpu) {
        flashWriter = LoadImage(images.flashWriter, flashWriterCapacity);
    }
    if (!firmImage || (target == TargetCpu && !flashWriter)) {
        // A record that does not load cannot be written.
        Fail(EvCannotUpdate, Reset);
        return;
    }
    state = Boot_Setup;
}

void clsMainSeq::DoBootSetup()
{
    comm->SetDtr(1);
    comm->SetRts(1);
    comm->SetBitRate(LineRate);
    Flush();
    stepTimer.Start(BootTimeout);
    state = Boot_Enter;
}

void clsMainSeq::DoBootEnter()
{
    uint8_t b;
    if (ReadByte(b)) {
        if (b == Accepted) {
            stepTimer.Start(BootTimeout);
            state = Boot_Marker;
        }
    } else if (resendTimer.Remaining() == 0) {
        Send(params->bootRequest, sizeof params->bootRequest);
        resendTimer.Start(ResendInterval);
    }
    TimeOut(Boot_Enter, EvBoot, Reset);
}

void clsMainSeq::DoBootMarker()
{
    inProgress = true;
    uint8_t b;
    if (ReadByte(b)) {
        if (b == MarkerAccepted) {
            state = Sync_Send00;
        }
    } else if (resendTimer.Remaining() == 0) {
        Send(reinterpret_cast<const uint8_t*>(params->marker), 9);
        resendTimer.Start(ResendInterval);
    }
    TimeOut(Boot_Marker, EvBoot, Reset);
}

void clsMainSeq::DoSyncSend00()
{
    stepTimer.Start(BootTimeout);
    uint8_t b;
    while (ReadByte(b)) {
    }
    SendByte(0x00);
    state = Sync_Wait00;
}

void clsMainSeq::DoSyncWait00()
{
    uint8_t b;
    if (comm->PendingCount() == 0 && ReadByte(b) && b == 0x00) {
        state = Key_Send;
    }
    TimeOut(Sync_Wait00, EvHandshake, Reset);
}

void clsMainSeq::DoKeySend()
{
    keyByte = KeyByteFrom(random() >> 1);
    SendByte(keyByte);
    state = Key_Wait;
}

void clsMainSeq::DoKeyWait()
{
    uint8_t b;
    if (ReadByte(b)) {
        if (b == static_cast<uint8_t>(keyByte ^ 0xFF)) {
            state = ModelChk;
        } else {
            Fail(EvHandshake, Reset);
        }
    }
    TimeOut(Key_Wait, EvHandshake, Reset);
}

int clsMainSeq::ModelCode()
{
    if (params->modelAddress < 0) {
        return params->fixedModel;
    }
    uint8_t text[variantTextLength];
    firmImage->Read(params->modelAddress, variantTextLength, text);
    if (std::memcmp(text, variantScanOn, variantTextLength) == 0) {
        return 99;
    }
    if (std::memcmp(text, variantDupDtcs, variantTextLength) == 0) {
        return 60;
    }
    return ModelRefused;
}

void clsMainSeq::DoModelChk()
{
    const int model = ModelCode();
    if (model == ModelRefused) {
        Fail(EvCannotUpdate, Reset);
        return;
    }
    packet->SetSeed(static_cast<uint8_t>(model ^ keyByte), counterSeed);
    SendByte(static_cast<uint8_t>(model));
    state = ModelChk_WaitAA;
}

void clsMainSeq::DoModelWait()
{
    uint8_t b;
    if (ReadByte(b)) {
        if (b == Accepted) {
            state = VerChk;
        } else {
            Fail(EvCannotUpdate, Reset);
        }
    }
    TimeOut(ModelChk_WaitAA, EvModel, Reset);
}

void clsMainSeq::DoVerChk()
{
    uint8_t text[versionTextLength];
    if (params->versionAddress >= 0) {
        firmImage->Read(params->versionAddress, versionTextLength, text);
    } else {
        std::memcpy(text, params->fixedVersion, versionTextLength);
    }
    Send(text, versionTextLength);
    state = VerChk_WaitAA;
}

void clsMainSeq::DoVerWait()
{
    uint8_t b;
    if (ReadByte(b)) {
        if (b != Accepted) {
            Fail(EvCannotUpdate, Reset);
        } else if (target == TargetCpu) {
            state = Firm_SendSize;
        } else {
            stepTimer.Start(WriterTimeout);
            state = Firm_WaitAA;
        }
    }
    TimeOut(VerChk_WaitAA, EvVersionAnswer, Reset);
}

// --- flash-writing program ------------------------------------------------

void clsMainSeq::DoFirmSendSize()
{
    stepTimer.Start(WriterTimeout);
    writerSent = 0;
    writerChecked = 0;
    const int32_t length = flashWriter->Length();
    sizeBytes[0] = static_cast<uint8_t>((length >> 8) & 0xFF);
    sizeBytes[1] = static_cast<uint8_t>(length & 0xFF);
    Send(sizeBytes, 2);
    state = Firm_ReplySize_U;
}

void clsMainSeq::DoFirmReplySize(int which)
{
    const int entry = state;
    uint8_t b;
    if (ReadByte(b)) {
        if (b == sizeBytes[which]) {
            state = which == 0 ? Firm_ReplySize_L : Firm_SendData;
        } else {
            Fail(EvFirmUpload, Reset);
        }
    }
    TimeOut(entry, EvFirmUpload, Reset);
}

void clsMainSeq::DoFirmSendData()
{
    const int32_t first = flashWriter->FirstAddress();
    const int32_t length = flashWriter->Length();
    // Check pass: what came back must be the program's plain bytes, in order.
    for (int round = 0; round < WriterCheckRounds && writerChecked < writerSent && comm->InCount() > 0; ++round) {
        uint8_t echoed[WriterCheckChunk];
        uint8_t expected[WriterCheckChunk];
        const int want = std::min(writerSent - writerChecked, WriterCheckChunk);
        const int got = comm->Read(echoed, want);
        flashWriter->Read(first + writerChecked, got, expected);
        if (std::memcmp(echoed, expected, got) != 0) {
            Fail(EvFirmUpload, Reset);
            return;
        }
        writerChecked += got;
        if (writerChecked >= length) {
            state = Firm_WaitAA;
            return;
        }
        stepTimer.Start(WriterTimeout);
    }
    // Send pass: keep less than half of the transmit queue in use.
    for (int n = 0; n < WriterSendPerStep && writerSent < length &&
                    comm->PendingCount() < comm->FreeCount() && !comm->HasWriteError();
         ++n) {
        uint8_t b = flashWriter->GetByte(first + writerSent);
        ++writerSent;
        packet->Scramble(&b, 1);
        SendByte(b);
        if (writerSent == length) {
            state = Firm_WaitAA;
            break;
        }
    }
    TimeOut(Firm_SendData, EvFirmUpload, Reset);
}

void clsMainSeq::DoFirmWaitAA()
{
    uint8_t b;
    if (ReadByte(b)) {
        if (b == Accepted) {
            state = RomW_Setup;
        } else {
            Fail(EvFirmUpload, Reset);
        }
    }
    TimeOut(Firm_WaitAA, EvFirmUpload, Reset);
}

// --- writing --------------------------------------------------------------

void clsMainSeq::DoRomSetup()
{
    stepTimer.Start(params->blockTimeout);
    resendTimer.Start(WriteSettle);
    if (target == TargetCpu) {
        blocksTotal = 2 + CountDataBlocks(0, firmImage->LastAddress());
        blocksDone = 2;
    } else {
        blocksTotal = DspBlocks;
        blocksDone = 0;
    }
    SetProgress();
    comm->SetBitRate(LineRate);
    Flush();
    awaitingAck = false;
    state = RomW_Setup_Wait;
}

void clsMainSeq::DoRomSysCheck()
{
    if (target != TargetCpu) {
        address = params->appFirst;
        areaLast = params->appLast;
        sumSent = false;
        state = RomW_Data;
        return;
    }
    uint8_t b;
    if (awaitingAck && ReadByte(b)) {
        awaitingAck = false;
        if (b == BlockAccepted) {
            stepTimer.Start(params->blockTimeout);
        } else {
            // The system area differs: write it.
            address = params->sysFirst;
            areaLast = params->sysLast;
            state = RomW_SysData;
            return;
        }
    }
    if (!awaitingAck && address <= params->sysLast && !comm->HasWriteError()) {
        stepTimer.Start(params->blockTimeout);
        SendBlock(address, CmdCheck);
        awaitingAck = true;
        address += params->blockSize;
    }
    if (!awaitingAck && address > params->sysLast) {
        address = params->appFirst;
        areaLast = params->appLast - (params->sysLast - params->sysFirst) - 1;
        blocksTotal -= CountDataBlocks(params->sysFirst, params->sysLast);
        state = RomW_Data;
    }
    TimeOut(RomW_SysCheck, EvRomData, Reset);
}

void clsMainSeq::DoRomData()
{
    const int entry = state;
    uint8_t b;
    if (awaitingAck && ReadByte(b)) {
        if (b != BlockAccepted) {
            Fail(EvRomData, Reset);
            return;
        }
        awaitingAck = false;
        ++blocksDone;
        SetProgress();
        stepTimer.Start(params->blockTimeout);
    }
    while (!awaitingAck && address <= areaLast && !comm->HasWriteError()) {
        if (target == TargetCpu) {
            if (!firmImage->IsBlank(address, params->blockSize)) {
                SendBlock(address, CmdWrite);
                awaitingAck = true;
            }
            address += params->blockSize;
        } else if (address + params->blockSize > areaLast && !sumSent) {
            // The DSP takes its sum just before its last block.
            sumSent = true;
            packet->MakeSum(firmImage->Sum(params->sumFirst, params->sumLast));
            SendPacket();
            awaitingAck = true;
        } else {
            SendBlock(address, CmdWrite);
            awaitingAck = true;
            address += params->blockSize;
        }
    }
    if (!awaitingAck && address > areaLast) {
        if (entry == RomW_SysData) {
            address = params->appFirst;
            areaLast = params->appLast - (params->sysLast - params->sysFirst) - 1;
            state = RomW_Data;
        } else {
            if (target == TargetDsp) {
                stepTimer.Start(DspSumTimeout);
            }
            state = RomW_Sum;
        }
    }
    TimeOut(entry, EvRomData, Reset);
}

void clsMainSeq::DoRomSum()
{
    uint8_t b;
    if (awaitingAck && ReadByte(b)) {
        if (b == BlockAccepted) {
            awaitingAck = false;
            state = RomW_End;
        } else {
            Fail(EvRomData, Reset);
        }
        return;
    }
    if (!awaitingAck) {
        if (target == TargetCpu) {
            packet->MakeSum(firmImage->Sum(params->sumFirst, params->sumLast));
            SendPacket();
        }
        awaitingAck = true;
    }
    TimeOut(RomW_Sum, EvRomData, Reset);
}

void clsMainSeq::DoRomEnd()
{
    packet->MakeEnd();
    SendPacket();
    state = Wake_Wait;
    stepTimer.Start(params->endWait);
}

// --- exit -----------------------------------------------------------------

void clsMainSeq::SendExit()
{
    ClosePort();
    if (!comm->Open(portNumber, PortSettings)) {
        return;
    }
    comm->SetBitRate(LineRate);
    Flush();
    Send(ExitCommand, sizeof ExitCommand);
    ClosePort();
}
