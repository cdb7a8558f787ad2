#pragma once

#include "ImageLayout.h"

#include <cstdint>

// The packet codec's own seeds; the secrets it shares with the radio (the
// record key, the scrambler's second seed) are in ImageLayout.h.

// State of a freshly built clsPacket. The sequencer always seeds the codec
// before it scrambles anything, so these never reach the wire.
inline constexpr uint8_t packetChainSeed = 0x2E;
inline constexpr uint8_t packetCounterSeed = 0x91;
