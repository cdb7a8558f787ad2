#include "BootLoader.h"

#include "FirmwareVariant.h"
#include "RadioImages.h"
#include "RadioLayout.h"

#include <cstdio>
#include <cstring>
#include <utility>

using namespace radio;

namespace {
// Stray bytes a Noise fault sends; none of them is an answer the program awaits.
const std::vector<uint8_t> noiseBytes = {0x13, 0x37, 0xC4, 0x7E, 0x91};
constexpr size_t dataFields = 3 + blockSize;

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// A refusal byte for an answer the program compares with `expected`, that
// cannot pass for the 0xAA it may be waiting for instead.
uint8_t NotThisNorAccepted(uint8_t expected)
{
    const auto byte = static_cast<uint8_t>(expected ^ 0xFF);
    return byte == answerAccepted ? answerRefused : byte;
}

const char* PhaseName(int phase)
{
    static const char* const names[] = {"idle",
                                        "awaiting the boot marker",
                                        "awaiting the 0x00",
                                        "awaiting the key byte",
                                        "awaiting the model code",
                                        "awaiting the version text",
                                        "awaiting the size",
                                        "awaiting the size",
                                        "receiving the flash-writing program",
                                        "receiving packets",
                                        "out of update mode"};
    return names[phase];
}
}

BootLoader::BootLoader() : cpuFlash(cpuFlashFirst, cpuFlashLast), dspFlash(dspFlashFirst, dspFlashLast) {}

bool BootLoader::SetUp(const RadioOptions& options, const FirmwareSet& images, std::string& error)
{
    if (RadioRecordLength(images.cpu) == 0 || RadioRecordLength(images.dsp) == 0
        || RadioRecordLength(images.flashWriter) == 0) {
        error = "the firmware images are missing";
        return false;
    }
    cpuReference = FlashImage(images.cpu, cpuFlashFirst, cpuFlashLast);
    dspReference = FlashImage(images.dsp, dspFlashFirst, dspFlashLast);
    writer = RadioPlainBytes(images.flashWriter);
    variantMark = options.variantMark;
    echoWriter = options.echoWriter;
    if (!faults.Set(options.faults, error)
        || !SetUpCpuFlash(cpuFlash, cpuReference, options.cpu, options.systemAreaMatches, error)
        || !SetUpDspFlash(dspFlash, dspReference, options.dsp, error)) {
        return false;
    }
    frozenIdentity.clear();
    if (options.keepsOldVersion) {
        frozenIdentity = IdentityFromFlash();
    }
    return true;
}

void BootLoader::PowerCycle()
{
    silenced = false;
    StartOver();
}

void BootLoader::StartOver()
{
    phase = Phase::Idle;
    command.clear();
    recent.clear();
    version.clear();
    writerIndex = 0;
    systemErased = appErased = false;
    dataPackets = 0;
    sumPending = lastBlockWritten = false;
}

void BootLoader::RecordError(std::string text)
{
    errors.push_back(std::move(text));
}

FaultPlan::Session BootLoader::Session() const
{
    if (phase == Phase::Idle || phase == Phase::Off)
        return FaultPlan::NoSession;
    return dspSession ? FaultPlan::DspSession : FaultPlan::CpuSession;
}

void BootLoader::Answer(std::string_view point, std::vector<uint8_t> bytes, std::vector<Emission>& out,
                        bool quiet, int block)
{
    if (silenced)
        return;
    const Fault* fault = faults.Fire(point, Session(), block);
    Emission emission;
    if (fault == nullptr) {
        if (!quiet)
            out.push_back(Emission{std::move(bytes)});
        return;
    }
    switch (fault->kind) {
    case FaultKind::Silent:
        silenced = true;
        return;
    case FaultKind::HangUp:
        silenced = true;
        emission.hangUp = true;
        break;
    case FaultKind::WrongByte:
    case FaultKind::WrongLater:
        emission.bytes = bytes.empty() ? std::vector<uint8_t>{answerRefused} : bytes;
        emission.bytes[0] ^= 0xFF;
        if (quiet)
            emission.bytes.resize(1);
        break;
    case FaultKind::Noise:
        emission.bytes = noiseBytes;
        if (!quiet)
            emission.bytes.insert(emission.bytes.end(), bytes.begin(), bytes.end());
        break;
    case FaultKind::Late:
        if (quiet)
            return;
        emission.bytes = std::move(bytes);
        emission.delayMs = fault->lateMs;
        break;
    }
    out.push_back(std::move(emission));
}

void BootLoader::Refuse(std::string text, uint8_t refusal, std::vector<Emission>& out)
{
    errors.push_back(std::move(text));
    if (!silenced)
        out.push_back(Emission{{refusal}});
    StartOver();
}

void BootLoader::Feed(uint8_t byte, std::vector<Emission>& out)
{
    switch (phase) {
    case Phase::Idle: FeedIdle(byte, out); break;
    case Phase::Marker: FeedMarker(byte, out); break;
    case Phase::Sync: FeedSync(byte, out); break;
    case Phase::Key:
        keyByte = byte;
        phase = Phase::Model;
        Answer("key", {static_cast<uint8_t>(byte ^ 0xFF)}, out);
        break;
    case Phase::Model: FeedModel(byte, out); break;
    case Phase::Version: FeedVersion(byte, out); break;
    case Phase::SizeHigh:
    case Phase::SizeLow: FeedSize(byte, out); break;
    case Phase::Writer: FeedWriter(byte, out); break;
    case Phase::Packets: FeedPacket(byte, out); break;
    case Phase::Off: break;
    }
}

// Keeps the bytes that can still begin 33 90 82 xx; true once all four are in.
bool BootLoader::CommandComplete(uint8_t byte)
{
    command.push_back(byte);
    while (!command.empty()) {
        const size_t n = std::min(command.size(), sizeof commandPrefix);
        if (std::memcmp(command.data(), commandPrefix, n) == 0)
            break;
        command.erase(command.begin());
    }
    return command.size() == sizeof commandPrefix + 1;
}

void BootLoader::FeedIdle(uint8_t byte, std::vector<Emission>& out)
{
    if (!CommandComplete(byte))
        return;
    const uint8_t code = command.back();
    command.clear();
    HandleCommand(code, out);
}

void BootLoader::Heard(int request)
{
    ++requestsHeard;
    lastRequest = request;
}

void BootLoader::HandleCommand(uint8_t code, std::vector<Emission>& out)
{
    Heard(code);
    switch (code) {
    case commandIdentity:
        StartOver();
        AnswerIdentity(out);
        break;
    case commandBootCpu:
    case commandBootDsp:
        StartOver();
        ++bootSessions;
        dspSession = code == commandBootDsp;
        phase = Phase::Marker;
        Answer("boot", {answerAccepted}, out);
        break;
    case commandExit:
        StartOver();
        phase = Phase::Off;
        break;
    default:
        errors.push_back("unknown command 33 90 82 " + Hex(code, 2).substr(2));
        break;
    }
}

void BootLoader::AnswerIdentity(std::vector<Emission>& out)
{
    ++identitiesAnswered;
    Answer("ident", frozenIdentity.empty() ? IdentityFromFlash() : frozenIdentity, out);
}

std::vector<uint8_t> BootLoader::IdentityFromFlash() const
{
    std::vector<uint8_t> answer(identityLength);
    if (cpuFlash.intact)
        cpuFlash.Read(cpuVersionAddress, versionLength, answer.data());
    else
        std::memcpy(answer.data(), cpuPlaceholder, versionLength);
    answer[versionLength] = variantMark;
    uint8_t* dspText = answer.data() + versionLength + 1;
    if (dspFlash.intact) {
        uint8_t field[dspVersionFieldLength];
        dspFlash.Read(dspVersionAddress, dspVersionFieldLength, field);
        DspTextFromField(field, dspText);
    } else {
        std::memcpy(dspText, dspPlaceholder, versionLength);
    }
    return answer;
}

// The program repeats the boot request and the marker every 100 ms until it
// hears the answer, so repeats are expected here. Any other command starts
// the boot loader over.
void BootLoader::FeedMarker(uint8_t byte, std::vector<Emission>& out)
{
    if (CommandComplete(byte)) {
        const uint8_t code = command.back();
        command.clear();
        const uint8_t ownBoot = dspSession ? commandBootDsp : commandBootCpu;
        if (code == ownBoot) {
            Heard(code);
            Answer("boot", {answerAccepted}, out);
        }
        else
            HandleCommand(code, out);
        return;
    }
    recent.push_back(byte);
    if (recent.size() > markerLength)
        recent.erase(recent.begin());
    if (recent.size() < markerLength)
        return;
    const char* own = dspSession ? dspMarker : cpuMarker;
    const char* other = dspSession ? cpuMarker : dspMarker;
    if (std::memcmp(recent.data(), own, markerLength) == 0) {
        Heard(markerRequest);
        phase = Phase::Sync;
        command.clear();
        Answer("marker", {answerMarker}, out);
    } else if (std::memcmp(recent.data(), other, markerLength) == 0) {
        Refuse(std::string("boot marker ") + other + " after the boot request of the other processor",
               answerRefused, out);
    }
}

void BootLoader::FeedSync(uint8_t byte, std::vector<Emission>& out)
{
    if (CommandComplete(byte)) {
        const uint8_t code = command.back();
        command.clear();
        HandleCommand(code, out);
        return;
    }
    if (byte != 0x00)
        return;  // repeated marker bytes, and anything else, until the 0x00
    phase = Phase::Key;
    Answer("sync", {0x00}, out);
}

void BootLoader::FeedModel(uint8_t byte, std::vector<Emission>& out)
{
    const bool known = dspSession ? byte == modelDsp : (byte == modelScanOn || byte == modelDupDtcs);
    if (!known) {
        Refuse("model code " + std::to_string(byte) + " is not one of this processor's", answerRefused, out);
        return;
    }
    decoder.SetSeed(static_cast<uint8_t>(byte ^ keyByte), counterSeed);
    modelCode = byte;
    version.clear();
    phase = Phase::Version;
    Answer("model", {answerAccepted}, out);
}

void BootLoader::FeedVersion(uint8_t byte, std::vector<Emission>& out)
{
    version.push_back(byte);
    if (version.size() < versionLength)
        return;
    if (!AllowedVersionText(version.data())) {
        Refuse("the version text sent is not an allowed text", answerRefused, out);
        return;
    }
    if (dspSession && std::memcmp(version.data(), dspBootVersion, versionLength) != 0) {
        Refuse("the DSP's version text is \"" + std::string(version.begin(), version.end()) + "\", not \""
                   + dspBootVersion + "\"",
               answerRefused, out);
        return;
    }
    if (!dspSession) {
        phase = Phase::SizeHigh;
        Answer("version", {answerAccepted}, out);
        return;
    }
    phase = Phase::Packets;
    Answer("version", {answerAccepted}, out);
    Answer("dsp_ready", {answerAccepted}, out);
}

void BootLoader::FeedSize(uint8_t byte, std::vector<Emission>& out)
{
    if (phase == Phase::SizeHigh) {
        sizeHigh = byte;
        phase = Phase::SizeLow;
        Answer("size", {byte}, out);
        return;
    }
    const size_t length = size_t{sizeHigh} << 8 | byte;
    if (length != writer.size()) {
        Refuse("flash-writing program of " + std::to_string(length) + " bytes announced, expected "
                   + std::to_string(writer.size()),
               static_cast<uint8_t>(byte ^ 0xFF), out);
        return;
    }
    writerIndex = 0;
    phase = Phase::Writer;
    Answer("size", {byte}, out);
}

void BootLoader::FeedWriter(uint8_t byte, std::vector<Emission>& out)
{
    const uint8_t plain = decoder.Descramble(byte);
    const uint8_t expected = writer[writerIndex];
    if (plain != expected) {
        Refuse("flash-writing program byte " + std::to_string(writerIndex) + " is " + Hex(plain, 2)
                   + ", expected " + Hex(expected, 2),
               NotThisNorAccepted(expected), out);
        return;
    }
    ++writerBytesTaken;
    Answer("writer", {plain}, out, !echoWriter);
    if (++writerIndex < writer.size())
        return;
    phase = Phase::Packets;
    Answer("writer_aa", {answerAccepted}, out);
}

void BootLoader::FeedPacket(uint8_t byte, std::vector<Emission>& out)
{
    switch (decoder.Feed(byte)) {
    case FrameDecoder::Result::More:
        return;
    case FrameDecoder::Result::Error:
        Refuse(decoder.ErrorText(), answerRefused, out);
        return;
    case FrameDecoder::Result::Packet:
        break;
    }
    ++packetsByCommand[decoder.Command()];
    switch (decoder.Command()) {
    case packetWrite:
    case packetCheck: HandleData(out); break;
    case packetSum: HandleSum(out); break;
    default: HandleEnd(out); break;
    }
}

void BootLoader::HandleData(std::vector<Emission>& out)
{
    const auto& f = decoder.Fields();
    if (f.size() != dataFields) {
        Refuse("data packet of " + std::to_string(f.size() < 3 ? 0 : f.size() - 3) + " bytes, expected "
                   + std::to_string(blockSize),
               answerRefused, out);
        return;
    }
    const uint32_t address = uint32_t{f[0]} << 16 | uint32_t{f[1]} << 8 | f[2];
    const uint32_t areaFirst = dspSession ? dspAreaFirst : cpuFlashFirst;
    const uint32_t areaLast = dspSession ? dspAreaLast : cpuFlashLast;
    if (address % blockSize != 0 || address < areaFirst || address + blockSize - 1 > areaLast) {
        Refuse("block address " + Hex(address, 6) + " is not a block of the "
                   + (dspSession ? "DSP's area" : "main processor's flash"),
               answerRefused, out);
        return;
    }
    RadioFlash& flash = dspSession ? dspFlash : cpuFlash;
    const uint8_t* block = f.data() + 3;
    const int number = ++dataPackets;
    if (decoder.Command() == packetCheck) {
        ++blocksChecked;
        const bool same = flash.Equals(address, block, blockSize);
        Answer("sys_check", {same ? answerBlock : answerDiffers}, out, false, number);
        return;
    }
    // The first block into an area erases all of it, so that blocks the
    // program skips as blank read 0xFF.
    const bool system = !dspSession && address >= cpuSystemFirst;
    bool& erased = system ? systemErased : appErased;
    if (!erased) {
        if (dspSession)
            flash.Erase(dspAreaFirst, dspAreaLast);
        else if (system)
            flash.Erase(cpuSystemFirst, cpuSystemLast);
        else
            flash.Erase(cpuAppFirst, cpuAppLast);
        erased = true;
        flash.intact = false;
    }
    flash.Write(address, block, blockSize);
    ++blocksWritten;
    Answer(system ? "sys_data" : "data", {answerBlock}, out, false, number);
    if (dspSession && address + blockSize - 1 == dspAreaLast) {
        lastBlockWritten = true;
        if (sumPending)
            DspVerdict(out);
    }
}

void BootLoader::HandleSum(std::vector<Emission>& out)
{
    const auto& f = decoder.Fields();
    if (f.size() != 2) {
        Refuse("sum packet with " + std::to_string(f.size()) + " bytes, expected 2", answerRefused, out);
        return;
    }
    const auto value = static_cast<uint16_t>(f[0] << 8 | f[1]);
    if (dspSession) {
        if (dataPackets != dspBlocks - 1) {
            Refuse("sum packet after " + std::to_string(dataPackets) + " blocks; the DSP takes it between block "
                       + std::to_string(dspBlocks - 1) + " and block " + std::to_string(dspBlocks),
                   answerRefused, out);
            return;
        }
        // Taken now; it is checked once the last block is in.
        sumPending = true;
        pendingSum = value;
        Answer("sum", {answerBlock}, out);
        if (lastBlockWritten)
            DspVerdict(out);
        return;
    }
    const uint16_t sum = cpuFlash.Sum(cpuFlashFirst, cpuFlashLast);
    if (value != sum) {
        Refuse("sum " + Hex(value, 4) + " differs from the main processor's flash, " + Hex(sum, 4),
               answerRefused, out);
        return;
    }
    if (!CpuFlashAgreesWithSession(out))
        return;
    cpuFlash.intact = true;
    Answer("sum", {answerBlock}, out);
}

// Before it takes the main processor's firmware as complete, the boot
// loader checks that what was written is what the session announced: the
// version text sent after the model code, and the variant text of the
// model code itself.
bool BootLoader::CpuFlashAgreesWithSession(std::vector<Emission>& out)
{
    uint8_t text[versionLength];
    cpuFlash.Read(cpuVersionAddress, versionLength, text);
    if (std::memcmp(text, version.data(), versionLength) != 0) {
        Refuse("the version text sent, \"" + std::string(version.begin(), version.end())
                   + "\", is not the one written, \"" + std::string(text, text + versionLength) + "\"",
               answerRefused, out);
        return false;
    }
    uint8_t variant[variantTextLength];
    cpuFlash.Read(cpuVariantAddress, variantTextLength, variant);
    const char* expected = modelCode == modelScanOn ? variantScanOn : variantDupDtcs;
    if (std::memcmp(variant, expected, variantTextLength) != 0) {
        Refuse("model code " + std::to_string(modelCode) + " does not match the variant text written",
               answerRefused, out);
        return false;
    }
    return true;
}

void BootLoader::DspVerdict(std::vector<Emission>& out)
{
    sumPending = false;
    const uint16_t sum = dspFlash.Sum(dspAreaFirst, dspAreaLast);
    if (pendingSum != sum) {
        Refuse("sum " + Hex(pendingSum, 4) + " differs from the DSP's flash, " + Hex(sum, 4), answerRefused,
               out);
        return;
    }
    dspFlash.intact = true;
    Answer("dsp_sum", {answerBlock}, out);
}

void BootLoader::HandleEnd(std::vector<Emission>& out)
{
    const auto& f = decoder.Fields();
    if (f.size() != 1 || f[0] != 0x01) {
        Refuse("end packet without its fixed byte 01", answerRefused, out);
        return;
    }
    // No answer: the boot loader restarts and answers the identity from the new flash.
    Answer("end", {answerBlock}, out, true);
    StartOver();
}

void BootLoader::FillReport(RadioReport& report) const
{
    report.packetsByCommand = packetsByCommand;
    report.blocksWritten = blocksWritten;
    report.blocksChecked = blocksChecked;
    report.identitiesAnswered = identitiesAnswered;
    report.bootSessions = bootSessions;
    report.writerBytesTaken = writerBytesTaken;
    report.faultsInjected = faults.Injected();
    report.protocolErrors = errors;
    report.cpu.firstDifference = cpuFlash.FirstDifference(cpuReference);
    report.cpu.matchesImage = report.cpu.firstDifference < 0;
    report.cpu.intact = cpuFlash.intact;
    report.dsp.firstDifference = dspFlash.FirstDifference(dspReference);
    report.dsp.matchesImage = report.dsp.firstDifference < 0;
    report.dsp.intact = dspFlash.intact;
    report.phase = PhaseName(static_cast<int>(phase));
    if (silenced)
        report.phase += ", silent";
    report.inUpdateMode = phase != Phase::Off;
}
