// The emulated radio's receiving side: whatever arrives, the boot loader and
// the frame decoder must neither crash nor grow beyond what they were fed.
#include "FuzzTargets.h"

#include "BootLoader.h"
#include "FirmImages.h"
#include "FrameDecoder.h"
#include "RadioReport.h"

#include <array>
#include <string>
#include <vector>

namespace {

// The largest answer the boot loader gives to one byte (an identity, noise).
constexpr size_t MaxAnswerBytes = 64;

constexpr std::array<const char*, 12> FaultPoints = {
    "ident", "boot", "marker", "sync", "key", "model", "version", "size", "writer_aa", "data", "sum", "block 3",
};

std::string FuzzDecoder(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return "";
    }
    FrameDecoder decoder;
    decoder.SetSeed(data[0], data[1]);
    size_t sinceFrame = 0;
    for (size_t i = 2; i < size; ++i) {
        ++sinceFrame;
        switch (decoder.Feed(data[i])) {
        case FrameDecoder::Result::More:
            break;
        case FrameDecoder::Result::Packet:
            if (decoder.Fields().size() > sinceFrame) {
                return "a packet with more fields than bytes fed";
            }
            sinceFrame = 0;
            break;
        case FrameDecoder::Result::Error:
            if (decoder.ErrorText().empty()) {
                return "an error without its text";
            }
            sinceFrame = 0;
            break;
        }
    }
    return "";
}

std::string FuzzBootLoader(uint8_t options, uint8_t faultByte, const uint8_t* data, size_t size)
{
    RadioOptions radio;
    radio.cpu = static_cast<CpuFirmware>(options % 5);
    radio.dsp = static_cast<DspFirmware>((options / 5) % 5);
    radio.variantMark = (options & 0x40) != 0 ? 'J' : 'E';
    radio.echoWriter = (options & 0x20) != 0;
    radio.systemAreaMatches = (options & 0x10) != 0;
    if (faultByte != 0) {
        const size_t n = FaultPoints.size();
        radio.faults.push_back(Fault{FaultPoints[faultByte % n], static_cast<FaultKind>((faultByte / n) % 5), 20,
                                     (faultByte & 0x80) != 0});
    }
    BootLoader loader;
    std::string error;
    if (!loader.SetUp(radio, BuiltInFirmware(), error)) {
        return "";  // options the radio cannot take (a variant it does not have)
    }
    std::vector<Emission> out;
    for (size_t i = 0; i < size; ++i) {
        loader.Feed(data[i], out);
        size_t answered = 0;
        for (const Emission& e : out) {
            answered += e.bytes.size();
        }
        if (answered > MaxAnswerBytes) {
            return "answered one byte with " + std::to_string(answered) + " bytes";
        }
        out.clear();
        if ((data[i] & 0x3F) == 0x3F && i % 7 == 0) {
            loader.PowerCycle();
        }
    }
    RadioReport report;
    loader.FillReport(report);
    if (report.protocolErrors.size() > size) {
        return "more protocol errors than bytes fed";
    }
    return FormatReport(report).empty() ? "an empty report" : "";
}

} // namespace

std::string FuzzRadio(const uint8_t* data, size_t size)
{
    if (size < 3) {
        return "";
    }
    if ((data[0] & 0x80) != 0) {
        return FuzzDecoder(data + 1, size - 1);
    }
    return FuzzBootLoader(data[0], data[1], data + 2, size - 2);
}
