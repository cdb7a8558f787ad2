#include "FirmImages.h"

// The scrambled records, assembled into the program by the firmware build.
extern "C" {
extern const uint8_t rxFlashWriterRecord[];
extern const uint64_t rxFlashWriterRecordSize;
extern const uint8_t rxCpuRecord[];
extern const uint64_t rxCpuRecordSize;
extern const uint8_t rxDspRecord[];
extern const uint64_t rxDspRecordSize;
}

namespace {
// The build checks every record, so a record that fails here can only be
// damaged; it is then left empty and LoadImage refuses it.
ImageRecord Embedded(const uint8_t* data, uint64_t size)
{
    ImageRecord record;
    ParseRecord(data, static_cast<size_t>(size), record);
    return record;
}
}

const FirmwareSet& BuiltInFirmware()
{
    static const FirmwareSet set{Embedded(rxFlashWriterRecord, rxFlashWriterRecordSize),
                                 Embedded(rxCpuRecord, rxCpuRecordSize),
                                 Embedded(rxDspRecord, rxDspRecordSize)};
    return set;
}

const ImageRecord& FlashWriterImage()
{
    return BuiltInFirmware().flashWriter;
}

const ImageRecord& CpuImage()
{
    return BuiltInFirmware().cpu;
}

const ImageRecord& DspImage()
{
    return BuiltInFirmware().dsp;
}
