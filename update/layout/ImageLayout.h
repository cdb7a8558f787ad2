#pragma once

#include <cstdint>

// What the program and the emulated radio both hold, and nothing more: where
// the image records and the fields the update reads lie, the record format,
// and the two secrets both ends must agree on. Everything else the radio
// checks (framing, escapes, scrambling, the key exchange, version texts) it
// does with code of its own, so that a misreading on one side shows up as a
// disagreement with the other instead of being shared by both.

// One firmware image record: the bytes for addresses first ... last
// (inclusive), stored scrambled.
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

// Image record format: first and last address as little-endian 32-bit
// numbers, then last - first + 1 scrambled bytes.
inline constexpr uint32_t recordHeaderLength = 8;

// Where each record belongs in the radio's memory.
inline constexpr uint32_t flashWriterFirst = 0x00028C;
inline constexpr uint32_t flashWriterLast = 0x0005CF;
inline constexpr uint32_t cpuFirst = 0xE80000;
inline constexpr uint32_t cpuLast = 0xFFFFFF;
inline constexpr uint32_t dspFirst = 0x000000;
inline constexpr uint32_t dspLast = 0x028645;

// Fields of the images, at their radio addresses.
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

// Key of the running-sum scrambler that protects the image records.
// Changing it changes the stored records, so every end is rebuilt with it.
inline constexpr int descrambleKeyLength = 27;
inline constexpr uint8_t descrambleKey[descrambleKeyLength] = {
    0x3B, 0xA7, 0x11, 0x6C, 0xD2, 0x48, 0x95, 0x0E, 0xF3,
    0x7A, 0x21, 0xC8, 0x5D, 0x84, 0x36, 0xE9, 0x02, 0xBF,
    0x63, 0x1D, 0xAE, 0x57, 0xF0, 0x89, 0x44, 0xCB, 0x70,
};

// Second seed byte of the packet scrambler, the same for both processors;
// the radio seeds its side alike.
inline constexpr uint8_t counterSeed = 0x6D;
