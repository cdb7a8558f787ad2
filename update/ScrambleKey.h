#pragma once

#include <cstdint>

// Secrets shared by the program, its firmware build tools and the emulated
// radio. Changing any of them changes the stored firmware records and the
// bytes on the wire, so both ends must be rebuilt together.

// Key of the running-sum scrambler that protects the built-in image records.
inline constexpr int descrambleKeyLength = 27;
inline constexpr uint8_t descrambleKey[descrambleKeyLength] = {
    0x3B, 0xA7, 0x11, 0x6C, 0xD2, 0x48, 0x95, 0x0E, 0xF3,
    0x7A, 0x21, 0xC8, 0x5D, 0x84, 0x36, 0xE9, 0x02, 0xBF,
    0x63, 0x1D, 0xAE, 0x57, 0xF0, 0x89, 0x44, 0xCB, 0x70,
};

// Second seed byte of the packet scrambler, given by the sequencer to
// clsPacket::SetSeed for both targets; the radio seeds its side alike.
inline constexpr uint8_t counterSeed = 0x6D;

// State of a freshly built clsPacket. The sequencer always seeds the codec
// before it scrambles anything, so these never reach the wire.
inline constexpr uint8_t packetChainSeed = 0x2E;
inline constexpr uint8_t packetCounterSeed = 0x91;
