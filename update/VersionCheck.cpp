#include "VersionCheck.h"

#include "Targets.h"

#include <cstring>

namespace {
bool IsVersionChar(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
        || c == '.' || c == ' ';
}

// Difference at the first unequal byte, compared as unsigned values; 0 when equal.
int CompareBytes(const uint8_t* radio, const uint8_t* image, int count)
{
    for (int i = 0; i < count; ++i) {
        if (radio[i] != image[i])
            return int{radio[i]} - int{image[i]};
    }
    return 0;
}

// An image that cannot be loaded cannot be compared: the caller reports it
// like a text that is not allowed, so that nothing is written from it.
bool CompareCpu(const uint8_t* text, const ImageRecord& record, int& result)
{
    const auto store = LoadImage(record, cpuCapacity);
    if (!store)
        return false;
    uint8_t image[versionTextLength];
    store->Read(cpuVersionAddress, versionTextLength, image);
    result = CompareBytes(text, image, versionTextLength);
    return true;
}

bool CompareDsp(const uint8_t* text, const ImageRecord& record, int& result)
{
    const auto store = LoadImage(record, dspCapacity);
    if (!store)
        return false;
    uint8_t image[dspVersionFieldLength];
    store->Read(dspVersionAddress, dspVersionFieldLength, image);
    // The radio's c0 c1 ... c7 is shown by the image as c1 '.' c2 c3 '-' c4 c5 c6 c7.
    const uint8_t chars[9] = {text[1], '.', text[2], text[3], '-', text[4], text[5], text[6], text[7]};
    uint8_t radio[dspVersionTextLength];
    for (int i = 0; i < 9; ++i) {
        radio[2 * i] = 0x00;
        radio[2 * i + 1] = chars[i];
    }
    result = CompareBytes(radio, image, dspVersionTextLength);
    return true;
}
}

bool IsVersionText(const uint8_t* text)
{
    for (int i = 0; i < versionTextLength; ++i) {
        if (!IsVersionChar(text[i]))
            return false;
    }
    return true;
}

bool HasBlankCpu(const uint8_t* ident)
{
    return std::memcmp(ident + identCpuText, cpuPlaceholder, 3) == 0;
}

int CompareVersion(const uint8_t* ident, int target, bool& invalid, bool& refused,
                   const FirmwareSet& images)
{
    if (target != TargetCpu && target != TargetDsp) {
        invalid = true;
        return -1;
    }
    const bool cpu = target == TargetCpu;
    const uint8_t* text = ident + (cpu ? identCpuText : identDspText);
    if (cpu)
        refused = ident[identVariantMark] == refusedMark;
    if (!IsVersionText(text)) {
        invalid = true;
        return -1;
    }
    if (cpu && refused)
        return 0;
    const char* placeholder = cpu ? cpuPlaceholder : dspPlaceholder;
    if (std::memcmp(text, placeholder, versionTextLength) == 0)
        return -1;
    int result = 0;
    const bool compared = cpu ? CompareCpu(text, images.cpu, result) : CompareDsp(text, images.dsp, result);
    if (!compared) {
        invalid = true;
        return -1;
    }
    return result;
}

int FirstOutdated(const uint8_t* ident, bool& invalid, bool& refused, const FirmwareSet& images)
{
    invalid = false;
    for (const int target : {TargetCpu, TargetDsp}) {
        const int result = CompareVersion(ident, target, invalid, refused, images);
        if (result != 0 || invalid)
            return target;
    }
    return TargetsDone;
}
