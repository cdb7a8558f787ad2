#pragma once

#include "FirmImages.h"
#include "Targets.h"

#include <cstdint>

// How the radio's 8 version characters c0 ... c7 appear in an image's
// version field.
enum class VersionForm {
    Plain,       // the 8 characters as they are
    WideDotted,  // c1 '.' c2 c3 '-' c4 c5 c6 c7 as 16-bit big-endian characters; c0 is not shown
};

// A variant text of an image and the model code it is sent as.
struct ModelVariant {
    const char* text;  // variantTextLength bytes: nine characters and a zero byte
    uint8_t code;
};

// The model code that refuses the update: the image has no known variant.
inline constexpr uint8_t modelRefused = 10;

// The longest version field of an image.
inline constexpr int32_t versionFieldMax = 20;

// Everything an update does differently for one processor, in one row. The
// sequencer, the version check and the sample-firmware generator read these
// rows and ask them what to do; none of them asks which processor it is.
// Addresses are radio addresses, first and last inclusive; times are
// milliseconds unless named otherwise.
struct ProcessorProfile {
    int target;  // TargetCpu or TargetDsp

    // Boot entry: the request is repeated until 0xAA comes, then the marker
    // (9 characters, no terminator) until 0x55 comes.
    uint8_t bootRequest[4];
    const char* marker;

    // The firmware written, and the store it is loaded into.
    const ImageRecord FirmwareSet::*record;
    uint32_t storeCapacity;
    // The flash-writing program is uploaded before the firmware.
    bool needsFlashWriter;

    // Model code sent after the key exchange: looked up by the variant text
    // at variantAddress (-1: fixedModel is sent).
    int32_t variantAddress;
    ModelVariant variants[2];
    uint8_t fixedModel;

    // Version text sent after the model code: the 8 image bytes at
    // sentVersionAddress (-1: sentVersionText).
    int32_t sentVersionAddress;
    const char* sentVersionText;

    // Version check against the radio's identity answer.
    int identText;            // offset of the radio's 8 characters in the answer
    const char* placeholder;  // what a radio without this firmware reports: older than any image
    bool readsRefusedMark;    // comparing this processor also reads the answer's 'J' mark
    int32_t versionAddress;   // the image's version field
    int32_t versionLength;    // bytes of the field read
    int32_t versionCompared;  // bytes of it compared (a terminator is not)
    VersionForm versionForm;

    // Areas.
    int32_t blockSize;
    bool hasSystemArea;       // checked block by block with command 8; written only when it differs
    int32_t sysFirst, sysLast;
    int32_t appFirst, appLast;  // with a system area, the application blocks stop below it
    int32_t sumFirst, sumLast;  // range of the 16-bit sum packet

    // Writing.
    bool skipsBlankBlocks;    // blocks that are all 0xFF are not sent
    bool sumBeforeLastBlock;  // the sum packet goes out just before the last block, else after all
    int32_t progressBlocks;   // total of the progress; 0: the image's non-blank blocks
    int32_t progressHeadStart;  // blocks counted as done (and added to the total) before writing
    int blockTimeout;         // for each block's answer, from the previous answer
    int sumWait;              // for the sum's answer, from the end of the data; 0: the block time-out runs on
    int endWait;              // after the end packet, before the identity is asked again
    int32_t writeTimeSeconds; // the estimate shown to the user
};

inline constexpr ProcessorProfile cpuProfile{
    .target = TargetCpu,
    .bootRequest = {0x33, 0x90, 0x82, 0x80},
    .marker = "VEXA5127M",
    .record = &FirmwareSet::cpu,
    .storeCapacity = 16777216,
    .needsFlashWriter = true,
    .variantAddress = cpuVariantAddress,
    .variants = {{variantScanOn, 99}, {variantDupDtcs, 60}},
    .fixedModel = 0,  // not used: the variant decides
    .sentVersionAddress = cpuVersionAddress,
    .sentVersionText = nullptr,
    .identText = 0,
    .placeholder = "X.XX-XXX",
    .readsRefusedMark = true,
    .versionAddress = cpuVersionAddress,
    .versionLength = versionTextLength,
    .versionCompared = versionTextLength,
    .versionForm = VersionForm::Plain,
    .blockSize = 256,
    .hasSystemArea = true,
    .sysFirst = 0xFFC000,
    .sysLast = 0xFFFFFF,
    .appFirst = 0xE80000,
    .appLast = 0xFFFFFF,
    .sumFirst = 0xE80000,
    .sumLast = 0xFFFFFF,
    .skipsBlankBlocks = true,
    .sumBeforeLastBlock = false,
    .progressBlocks = 0,
    .progressHeadStart = 2,
    .blockTimeout = 8000,
    .sumWait = 0,
    .endWait = 2000,
    .writeTimeSeconds = 350,
};

inline constexpr ProcessorProfile dspProfile{
    .target = TargetDsp,
    .bootRequest = {0x33, 0x90, 0x82, 0x81},
    .marker = "VEXA5127D",
    .record = &FirmwareSet::dsp,
    .storeCapacity = 262144,
    .needsFlashWriter = false,
    .variantAddress = -1,
    .variants = {},
    .fixedModel = 30,
    .sentVersionAddress = -1,
    .sentVersionText = "0.00-000",
    .identText = 9,
    .placeholder = "        ",
    .readsRefusedMark = false,
    .versionAddress = dspVersionAddress,
    .versionLength = dspVersionFieldLength,
    .versionCompared = dspVersionTextLength,
    .versionForm = VersionForm::WideDotted,
    .blockSize = 256,
    .hasSystemArea = false,
    .sysFirst = 0,
    .sysLast = -1,
    .appFirst = 0x010000,
    .appLast = 0x03FFFF,
    .sumFirst = 0x010000,
    .sumLast = 0x03FFFF,
    .skipsBlankBlocks = false,
    .sumBeforeLastBlock = true,
    .progressBlocks = 768,
    .progressHeadStart = 0,
    .blockTimeout = 8000,
    .sumWait = 15000,
    .endWait = 2000,
    .writeTimeSeconds = 90,
};

// The processors in the order an update handles them.
inline constexpr const ProcessorProfile* processorProfiles[] = {&cpuProfile, &dspProfile};

// The row of a target code, or null (TargetNone, TargetsDone, TargetRefused).
const ProcessorProfile* ProfileFor(int target);

// The record of the profile's firmware in a set.
const ImageRecord& FirmwareRecord(const FirmwareSet& images, const ProcessorProfile& profile);

// Last address of the application blocks: with a system area they stop
// below it (appLast minus the system area's size).
int32_t AppDataLast(const ProcessorProfile& profile);
