#pragma once

#include "ImageLayout.h"
#include "clsMotS.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Store size the flash-writing program is loaded into; the firmware's are
// in the processor profiles (ProcessorProfile.h).
inline constexpr uint32_t flashWriterCapacity = 16777216;

// Number of image bytes of a record; 0 when it holds none.
size_t RecordLength(const ImageRecord& record);

// Reads a record of exactly `size` bytes; false when the header does not
// match the size.
bool ParseRecord(const uint8_t* data, size_t size, ImageRecord& record);

// Descrambles (and, being an XOR, also scrambles) count bytes in place,
// always starting again from the beginning of the key.
void Descramble(uint8_t* buffer, int32_t count);

// A new store of `capacity` bytes holding the record's plain bytes at their
// addresses; null when the record is empty or does not fit.
std::unique_ptr<clsMotS> LoadImage(const ImageRecord& record, uint32_t capacity);

// The record's plain bytes, in address order.
std::vector<uint8_t> PlainBytes(const ImageRecord& record);

// The records compiled into the program.
const FirmwareSet& BuiltInFirmware();
const ImageRecord& FlashWriterImage();
const ImageRecord& CpuImage();
const ImageRecord& DspImage();
