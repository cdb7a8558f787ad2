#pragma once

#include "FirmImages.h"
#include "ProcessorProfile.h"

#include <cstdint>

// Layout of the radio's 17-byte identity answer: each processor's 8
// characters where its profile says (identText), and the variant mark.
inline constexpr int identLength = 17;
inline constexpr int identVariantMark = 8; // 'J': this radio is not to be updated
inline constexpr uint8_t refusedMark = 'J';

// Placeholders a radio reports for firmware it does not have; they count as
// older than any image.
inline constexpr const char* cpuPlaceholder = cpuProfile.placeholder;
inline constexpr const char* dspPlaceholder = dspProfile.placeholder;

// Estimated write time in seconds, indexed by target code (TargetCpu, TargetDsp).
inline constexpr int32_t writeTimeTable[3] = {0, cpuProfile.writeTimeSeconds, dspProfile.writeTimeSeconds};

// True when each of the 8 characters is an ASCII letter, digit, '-', '.' or blank.
bool IsVersionText(const uint8_t* text);

// True when the identity answer's main-processor text starts "X.X".
bool HasBlankCpu(const uint8_t* ident);

// Compares the radio's version of `target` (from the identity answer) with
// the image in `images`: negative when the radio is older, 0 when equal,
// positive when newer. A text that is not allowed sets `invalid` and gives
// -1, and so does an image that cannot be loaded. For TargetCpu, `refused`
// becomes whether the radio is marked 'J'; a refused radio with an allowed
// text gives 0. Any other target sets `invalid`.
int CompareVersion(const uint8_t* ident, int target, bool& invalid, bool& refused,
                   const FirmwareSet& images);

// The first target (in the order of processorProfiles) whose version differs or is
// not allowed; TargetsDone when both equal. Clears `invalid` first.
int FirstOutdated(const uint8_t* ident, bool& invalid, bool& refused, const FirmwareSet& images);
