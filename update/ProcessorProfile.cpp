#include "ProcessorProfile.h"

const ProcessorProfile* ProfileFor(int target)
{
    for (const ProcessorProfile* profile : processorProfiles) {
        if (profile->target == target) {
            return profile;
        }
    }
    return nullptr;
}

const ImageRecord& FirmwareRecord(const FirmwareSet& images, const ProcessorProfile& profile)
{
    return images.*profile.record;
}

int32_t AppDataLast(const ProcessorProfile& profile)
{
    if (!profile.hasSystemArea) {
        return profile.appLast;
    }
    return profile.appLast - (profile.sysLast - profile.sysFirst) - 1;
}
