#pragma once

#include "clsMotS.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One firmware image record: the bytes for addresses first ... last
// (inclusive), stored scrambled (Descramble turns them into plain bytes).
struct ImageRecord {
    uint32_t first = 0;
    uint32_t last = 0;
    const uint8_t* bytes = nullptr;
};

// The three records an update works with.
struct FirmwareSet {
    ImageRecord flashWriter;
    ImageRecord cpu;
    ImageRecord dsp;
};

// Where each record belongs in the radio's memory.
inline constexpr uint32_t flashWriterFirst = 0x00028C;
inline constexpr uint32_t flashWriterLast = 0x0005CF;
inline constexpr uint32_t cpuFirst = 0xE80000;
inline constexpr uint32_t cpuLast = 0xFFFFFF;
inline constexpr uint32_t dspFirst = 0x000000;
inline constexpr uint32_t dspLast = 0x028645;

// Store size the flash-writing program is loaded into; the firmware's are
// in the processor profiles (ProcessorProfile.h).
inline constexpr uint32_t flashWriterCapacity = 16777216;

// Fields of the images, at their radio addresses. The processor profiles
// say which of them each processor's update reads.
inline constexpr int32_t versionTextLength = 8;
inline constexpr int32_t cpuVersionAddress = 0xE80480;
inline constexpr int32_t cpuVariantAddress = 0xFFC000;
inline constexpr int32_t variantTextLength = 10;  // nine characters and a zero byte
inline constexpr char variantScanOn[variantTextLength] = "P-SCAN ON";
inline constexpr char variantDupDtcs[variantTextLength] = "DUP- DTCS";
// The DSP's version field is 20 bytes of 16-bit big-endian characters:
// c1 '.' c2 c3 '-' c4 c5 c6 c7 (18 bytes) and a 16-bit zero terminator.
// Only the 18 text bytes are compared; the terminator is not.
inline constexpr int32_t dspVersionAddress = 0x01000E;
inline constexpr int32_t dspVersionFieldLength = 20;
inline constexpr int32_t dspVersionTextLength = 18;

// Image record format: first and last address as little-endian 32-bit
// numbers, then last - first + 1 scrambled bytes.
inline constexpr size_t recordHeaderLength = 8;

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
