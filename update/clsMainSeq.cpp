#include "clsMainSeq.h"

#include "FirmImages.h"
#include "ProcessorProfile.h"
#include "ScrambleKey.h"
#include "TickRhythm.h"
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

using enum SeqState;
using enum SeqEvent;

namespace {

const uint8_t IdentRequest[4] = {0x33, 0x90, 0x82, 0x82};
const uint8_t ExitCommand[4] = {0x33, 0x90, 0x82, 0x83};
constexpr uint8_t Accepted = 0xAA;
constexpr uint8_t MarkerAccepted = 0x55;
constexpr uint8_t BlockAccepted = 0xFB;
constexpr uint8_t SyncByte = 0x00;
constexpr uint8_t CmdWrite = 0x00;
constexpr uint8_t CmdCheck = 0x08;
// The command bytes of the sum and end packets (clsPacket writes them).
constexpr uint8_t CmdSum = 0x01;
constexpr uint8_t CmdEnd = 0x0F;
constexpr int MarkerLength = 9;
constexpr const char* PortSettings = "9600,N,8,1";
constexpr int LineRate = 38400;
constexpr int IdentTimeout = 5000;
constexpr int BootTimeout = 5000;
constexpr int ResendInterval = 100;
constexpr int WriterTimeout = 8000;
constexpr int WriteSettle = 300;
constexpr int OpenRetryDelay = 3000;
constexpr int SettleTime = 1000;
constexpr int FlushHold = 100;
constexpr int FlushLimit = 65535;
constexpr int WriterCheckRounds = 8;
constexpr int WriterCheckChunk = 16;
constexpr int WriterSendPerStep = 255;

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
      packetWatch(std::move(platform.packetWatch)),
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

void clsMainSeq::SeedKey(uint32_t seed)
{
    random.seed(seed);
}

bool clsMainSeq::CanStart() const
{
    return state == Reset || state == Standby || state == Confirm;
}

int clsMainSeq::TickWaitMs() const
{
    return ::TickWaitMs(state, comm->IsOpen(), inProgress);
}

bool clsMainSeq::WaitForInput(int ms)
{
    return comm->WaitForInput(ms);
}

OpenFailure clsMainSeq::GetOpenFailure() const
{
    return comm->LastOpenFailure();
}

int clsMainSeq::GetOpenError() const
{
    return comm->LastOpenError();
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

SeqEvent clsMainSeq::Step()
{
    // Timers of its own run with the ticks; given ones run on their loop.
    if (ownTimers) {
        ownTimers->RunDue();
    }
    const SeqState s = state;
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
    case Sync_Wait00:
        if (comm->PendingCount() == 0 && AwaitAnswer(SyncByte, EvNone) == Answer::Expected) {
            state = Key_Send;
        }
        break;
    case Key_Send: DoKeySend(); break;
    case Key_Wait:
        if (AwaitAnswer(static_cast<uint8_t>(keyByte ^ 0xFF), EvHandshake) == Answer::Expected) {
            state = ModelChk;
        }
        break;
    case ModelChk: DoModelChk(); break;
    case ModelChk_WaitAA:
        if (AwaitAnswer(Accepted, EvCannotUpdate) == Answer::Expected) {
            state = VerChk;
        }
        break;
    case VerChk: DoVerChk(); break;
    case VerChk_WaitAA: DoVerWait(); break;
    case Firm_SendSize: DoFirmSendSize(); break;
    case Firm_ReplySize_U:
        if (AwaitAnswer(cursor.sizeBytes[0], EvFirmUpload) == Answer::Expected) {
            state = Firm_ReplySize_L;
        }
        break;
    case Firm_ReplySize_L:
        if (AwaitAnswer(cursor.sizeBytes[1], EvFirmUpload) == Answer::Expected) {
            state = Firm_SendData;
        }
        break;
    case Firm_SendData: DoFirmSendData(); break;
    case Firm_WaitAA:
        if (AwaitAnswer(Accepted, EvFirmUpload) == Answer::Expected) {
            state = RomW_Setup;
        }
        break;
    case RomW_Setup: DoRomSetup(); break;
    case RomW_Setup_Wait:
        if (resendTimer.Remaining() == 0) {
            stepTimer.Start(profile->blockTimeout);
            state = RomW_Branch;
        }
        break;
    case RomW_Branch: state = profile->hasSystemArea ? RomW_SysStart : RomW_SysCheck; break;
    case RomW_SysStart:
        cursor.address = profile->sysFirst;
        state = RomW_SysCheck;
        break;
    case RomW_SysCheck: DoRomSysCheck(); break;
    case RomW_SysData:
    case RomW_Data: DoRomData(s); break;
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
    TimeOut(s);
    if (comm->HasWriteError()) {
        FailByState();
    }
    if (event != EvNone && event < EvUpdatingCpu) {
        inProgress = false;
    }
    return event;
}

// --- helpers --------------------------------------------------------------

void clsMainSeq::TimeOut(SeqState entry)
{
    const StateFailure* failure = FailureOf(entry);
    if (failure != nullptr && TimesOut(*failure) && state == entry && stepTimer.Remaining() == 0) {
        Fail(failure->event, failure->afterTimeOut);
    }
}

void clsMainSeq::Fail(SeqEvent ev, SeqState next)
{
    event = ev;
    state = next;
}

void clsMainSeq::FailByState()
{
    const StateFailure* failure = FailureOf(state);
    Fail(failure != nullptr && NamesWriteError(*failure) ? failure->event : EvUnknown, Reset);
}

clsMainSeq::Answer clsMainSeq::AwaitAnswer(uint8_t expected, SeqEvent wrong)
{
    uint8_t b;
    if (!ReadByte(b)) {
        return Answer::Nothing;
    }
    if (b == expected) {
        return Answer::Expected;
    }
    if (wrong != EvNone) {
        Fail(wrong, Reset);
    }
    return Answer::Other;
}

void clsMainSeq::Repeat(const uint8_t* request, int count)
{
    if (resendTimer.Remaining() == 0) {
        Send(request, count);
        resendTimer.Start(ResendInterval);
    }
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

void clsMainSeq::SendPacket(uint8_t command, uint32_t field)
{
    const int n = packet->GetLength();
    if (packetWatch) {
        packetWatch(PacketNote {command, field, n});
    }
    if (static_cast<int>(txBuffer.size()) < n) {
        txBuffer.resize(n);
    }
    packet->CopyTo(txBuffer.data());
    Send(txBuffer.data(), n);
}

void clsMainSeq::SendBlock(int32_t at, uint8_t command)
{
    firmImage->Read(at, profile->blockSize, blockBuffer.data());
    packet->MakeData(blockBuffer.data(), static_cast<uint32_t>(at), profile->blockSize, command);
    SendPacket(command, static_cast<uint32_t>(at) & 0xFFFFFF);
}

void clsMainSeq::SendSum()
{
    const uint16_t sum = firmImage->Sum(profile->sumFirst, profile->sumLast);
    packet->MakeSum(sum);
    SendPacket(CmdSum, sum);
}

void clsMainSeq::SetProgress()
{
    progress = blocksTotal > 0 ? blocksDone * 255 / blocksTotal : 0;
}

int clsMainSeq::CountDataBlocks(int32_t from, int32_t below) const
{
    int n = 0;
    for (int64_t a = from; a < below; a += profile->blockSize) {
        if (!firmImage->IsBlank(static_cast<int32_t>(a), profile->blockSize)) {
            ++n;
        }
    }
    return n;
}

void clsMainSeq::StartArea(int32_t first, int32_t last)
{
    cursor.address = first;
    cursor.areaLast = last;
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
    } else if (n <= 0) {
        Repeat(IdentRequest, sizeof IdentRequest);
    }
}

void clsMainSeq::DoEvaluate()
{
    enum { None, Update, Downgrade } kind = None;
    bool invalid = false;
    writeTime = 0;
    if (HasBlankCpu(ident)) {
        refused = false;
        kind = Update;
        for (const ProcessorProfile* p : processorProfiles) {
            writeTime += p->writeTimeSeconds;
        }
    } else {
        for (const ProcessorProfile* p : processorProfiles) {
            const int r = CompareVersion(p->target, invalid);
            if (invalid) {
                break;
            }
            if (r != 0) {
                writeTime += p->writeTimeSeconds;
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
    profile = ProfileFor(target);
    if (profile == nullptr) {
        Fail(EvUnknown, Reset);
        return;
    }
    blockBuffer.assign(profile->blockSize, 0);
    firmImage = LoadImage(FirmwareRecord(images, *profile), profile->storeCapacity);
    if (profile->needsFlashWriter) {
        flashWriter = LoadImage(images.flashWriter, flashWriterCapacity);
    }
    if (!firmImage || (profile->needsFlashWriter && !flashWriter)) {
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
    switch (AwaitAnswer(Accepted, EvNone)) {
    case Answer::Expected:
        stepTimer.Start(BootTimeout);
        state = Boot_Marker;
        break;
    case Answer::Nothing: Repeat(profile->bootRequest, sizeof profile->bootRequest); break;
    case Answer::Other: break;
    }
}

void clsMainSeq::DoBootMarker()
{
    inProgress = true;
    switch (AwaitAnswer(MarkerAccepted, EvNone)) {
    case Answer::Expected: state = Sync_Send00; break;
    case Answer::Nothing: Repeat(reinterpret_cast<const uint8_t*>(profile->marker), MarkerLength); break;
    case Answer::Other: break;
    }
}

void clsMainSeq::DoSyncSend00()
{
    stepTimer.Start(BootTimeout);
    uint8_t b;
    while (ReadByte(b)) {
    }
    SendByte(SyncByte);
    state = Sync_Wait00;
}

void clsMainSeq::DoKeySend()
{
    keyByte = KeyByteFrom(random() >> 1);
    SendByte(keyByte);
    state = Key_Wait;
}

int clsMainSeq::ModelCode()
{
    if (profile->variantAddress < 0) {
        return profile->fixedModel;
    }
    uint8_t text[variantTextLength];
    firmImage->Read(profile->variantAddress, variantTextLength, text);
    for (const ModelVariant& variant : profile->variants) {
        if (variant.text != nullptr && std::memcmp(text, variant.text, variantTextLength) == 0) {
            return variant.code;
        }
    }
    return modelRefused;
}

void clsMainSeq::DoModelChk()
{
    const int model = ModelCode();
    if (model == modelRefused) {
        Fail(EvCannotUpdate, Reset);
        return;
    }
    packet->SetSeed(static_cast<uint8_t>(model ^ keyByte), counterSeed);
    SendByte(static_cast<uint8_t>(model));
    state = ModelChk_WaitAA;
}

void clsMainSeq::DoVerChk()
{
    uint8_t text[versionTextLength];
    if (profile->sentVersionAddress >= 0) {
        firmImage->Read(profile->sentVersionAddress, versionTextLength, text);
    } else {
        std::memcpy(text, profile->sentVersionText, versionTextLength);
    }
    Send(text, versionTextLength);
    state = VerChk_WaitAA;
}

void clsMainSeq::DoVerWait()
{
    if (AwaitAnswer(Accepted, EvCannotUpdate) != Answer::Expected) {
        return;
    }
    if (profile->needsFlashWriter) {
        state = Firm_SendSize;
    } else {
        // Without an upload the radio still answers 0xAA once it is ready.
        stepTimer.Start(WriterTimeout);
        state = Firm_WaitAA;
    }
}

// --- flash-writing program ------------------------------------------------

void clsMainSeq::DoFirmSendSize()
{
    stepTimer.Start(WriterTimeout);
    cursor = WriteCursor{};
    const int32_t length = flashWriter->Length();
    cursor.sizeBytes[0] = static_cast<uint8_t>((length >> 8) & 0xFF);
    cursor.sizeBytes[1] = static_cast<uint8_t>(length & 0xFF);
    Send(cursor.sizeBytes, 2);
    state = Firm_ReplySize_U;
}

void clsMainSeq::DoFirmSendData()
{
    const int32_t first = flashWriter->FirstAddress();
    const int32_t length = flashWriter->Length();
    // Check pass: what came back must be the program's plain bytes, in order.
    for (int round = 0; round < WriterCheckRounds && cursor.writerChecked < cursor.writerSent && comm->InCount() > 0;
         ++round) {
        uint8_t echoed[WriterCheckChunk];
        uint8_t expected[WriterCheckChunk];
        const int want = std::min(cursor.writerSent - cursor.writerChecked, WriterCheckChunk);
        const int got = comm->Read(echoed, want);
        flashWriter->Read(first + cursor.writerChecked, got, expected);
        if (std::memcmp(echoed, expected, got) != 0) {
            Fail(EvFirmUpload, Reset);
            return;
        }
        cursor.writerChecked += got;
        if (cursor.writerChecked >= length) {
            state = Firm_WaitAA;
            return;
        }
        stepTimer.Start(WriterTimeout);
    }
    // Send pass: keep less than half of the transmit queue in use.
    for (int n = 0; n < WriterSendPerStep && cursor.writerSent < length &&
                    comm->PendingCount() < comm->FreeCount() && !comm->HasWriteError();
         ++n) {
        uint8_t b = flashWriter->GetByte(first + cursor.writerSent);
        ++cursor.writerSent;
        packet->Scramble(&b, 1);
        SendByte(b);
        if (cursor.writerSent == length) {
            state = Firm_WaitAA;
            break;
        }
    }
}

// --- writing --------------------------------------------------------------

void clsMainSeq::DoRomSetup()
{
    stepTimer.Start(profile->blockTimeout);
    resendTimer.Start(WriteSettle);
    const int32_t blocks =
        profile->progressBlocks > 0 ? profile->progressBlocks : CountDataBlocks(0, firmImage->LastAddress());
    blocksTotal = profile->progressHeadStart + blocks;
    blocksDone = profile->progressHeadStart;
    SetProgress();
    comm->SetBitRate(LineRate);
    Flush();
    cursor = WriteCursor{};
    state = RomW_Setup_Wait;
}

void clsMainSeq::DoRomSysCheck()
{
    if (!profile->hasSystemArea) {
        StartArea(profile->appFirst, profile->appLast);
        cursor.sumSent = false;
        state = RomW_Data;
        return;
    }
    uint8_t b;
    if (cursor.awaitingAck && ReadByte(b)) {
        cursor.awaitingAck = false;
        if (b == BlockAccepted) {
            stepTimer.Start(profile->blockTimeout);
        } else {
            // The system area differs: write it.
            StartArea(profile->sysFirst, profile->sysLast);
            state = RomW_SysData;
            return;
        }
    }
    if (!cursor.awaitingAck && cursor.address <= profile->sysLast && !comm->HasWriteError()) {
        stepTimer.Start(profile->blockTimeout);
        SendBlock(cursor.address, CmdCheck);
        cursor.awaitingAck = true;
        cursor.address += profile->blockSize;
    }
    if (!cursor.awaitingAck && cursor.address > profile->sysLast) {
        StartArea(profile->appFirst, AppDataLast(*profile));
        blocksTotal -= CountDataBlocks(profile->sysFirst, profile->sysLast);
        state = RomW_Data;
    }
}

void clsMainSeq::DoRomData(SeqState entry)
{
    uint8_t b;
    if (cursor.awaitingAck && ReadByte(b)) {
        if (b != BlockAccepted) {
            Fail(EvRomData, Reset);
            return;
        }
        cursor.awaitingAck = false;
        ++blocksDone;
        SetProgress();
        stepTimer.Start(profile->blockTimeout);
    }
    const int32_t size = profile->blockSize;
    while (!cursor.awaitingAck && cursor.address <= cursor.areaLast && !comm->HasWriteError()) {
        if (entry == RomW_Data && profile->sumBeforeLastBlock && !cursor.sumSent
            && cursor.address + size > cursor.areaLast) {
            cursor.sumSent = true;
            SendSum();
            cursor.awaitingAck = true;
        } else if (profile->skipsBlankBlocks && firmImage->IsBlank(cursor.address, size)) {
            cursor.address += size;
        } else {
            SendBlock(cursor.address, CmdWrite);
            cursor.awaitingAck = true;
            cursor.address += size;
        }
    }
    if (!cursor.awaitingAck && cursor.address > cursor.areaLast) {
        if (entry == RomW_SysData) {
            StartArea(profile->appFirst, AppDataLast(*profile));
            state = RomW_Data;
        } else {
            if (profile->sumWait > 0) {
                stepTimer.Start(profile->sumWait);
            }
            state = RomW_Sum;
        }
    }
}

void clsMainSeq::DoRomSum()
{
    uint8_t b;
    if (cursor.awaitingAck && ReadByte(b)) {
        if (b == BlockAccepted) {
            cursor.awaitingAck = false;
            state = RomW_End;
        } else {
            Fail(EvRomData, Reset);
        }
        return;
    }
    if (!cursor.awaitingAck) {
        // A sum that went out ahead of the last block has its answer still to come.
        if (!profile->sumBeforeLastBlock) {
            SendSum();
        }
        cursor.awaitingAck = true;
    }
}

void clsMainSeq::DoRomEnd()
{
    packet->MakeEnd();
    SendPacket(CmdEnd, 0);
    state = Wake_Wait;
    stepTimer.Start(profile->endWait);
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
