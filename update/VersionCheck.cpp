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

// The radio's 8 characters the way the image's version field shows them.
void AsImageShowsIt(const uint8_t* text, VersionForm form, uint8_t* out)
{
    if (form == VersionForm::Plain) {
        std::memcpy(out, text, versionTextLength);
        return;
    }
    // c0 c1 ... c7 is shown as c1 '.' c2 c3 '-' c4 c5 c6 c7.
    const uint8_t chars[9] = {text[1], '.', text[2], text[3], '-', text[4], text[5], text[6], text[7]};
    for (int i = 0; i < 9; ++i) {
        out[2 * i] = 0x00;
        out[2 * i + 1] = chars[i];
    }
}

// An image that cannot be loaded cannot be compared: the caller reports it
// like a text that is not allowed, so that nothing is written from it.
bool CompareWithImage(const uint8_t* text, const ProcessorProfile& profile, const FirmwareSet& images, int& result)
{
    const auto store = LoadImage(FirmwareRecord(images, profile), profile.storeCapacity);
    if (!store)
        return false;
    uint8_t image[versionFieldMax];
    store->Read(profile.versionAddress, profile.versionLength, image);
    uint8_t radio[versionFieldMax];
    AsImageShowsIt(text, profile.versionForm, radio);
    result = CompareBytes(radio, image, profile.versionCompared);
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
    return std::memcmp(ident + cpuProfile.identText, cpuProfile.placeholder, 3) == 0;
}

int CompareVersion(const uint8_t* ident, int target, bool& invalid, bool& refused,
                   const FirmwareSet& images)
{
    const ProcessorProfile* profile = ProfileFor(target);
    if (profile == nullptr) {
        invalid = true;
        return -1;
    }
    const uint8_t* text = ident + profile->identText;
    if (profile->readsRefusedMark)
        refused = ident[identVariantMark] == refusedMark;
    if (!IsVersionText(text)) {
        invalid = true;
        return -1;
    }
    if (profile->readsRefusedMark && refused)
        return 0;
    if (std::memcmp(text, profile->placeholder, versionTextLength) == 0)
        return -1;
    int result = 0;
    if (!CompareWithImage(text, *profile, images, result)) {
        invalid = true;
        return -1;
    }
    return result;
}

int FirstOutdated(const uint8_t* ident, bool& invalid, bool& refused, const FirmwareSet& images)
{
    invalid = false;
    for (const ProcessorProfile* profile : processorProfiles) {
        const int result = CompareVersion(ident, profile->target, invalid, refused, images);
        if (result != 0 || invalid)
            return profile->target;
    }
    return TargetsDone;
}
