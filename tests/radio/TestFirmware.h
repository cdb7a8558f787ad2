#pragma once

#include "FirmImages.h"
#include "OwnedImage.h"

#include <cstdint>
#include <vector>

// Small firmware for the radio tests: few non-blank blocks, so that a
// complete write is short, with version texts the tests know by heart.
//   main processor "2.10-300"; application blocks 0xE80000, 0xE80400 (holds
//   the version), 0xE90000; system blocks 0xFFC000 (variant "P-SCAN ON"),
//   0xFFFF00.
//   DSP field "3.45-6789" (reported "D3456789"); blocks 0x000000 (below the
//   writable area), 0x010000 (holds the version), 0x020000, 0x03FF00.
struct TestFirmware {
    TestFirmware();

    std::vector<uint8_t> writerPlain;  // 836 bytes
    std::vector<uint8_t> cpuPlain;     // 0xE80000 ... 0xFFFFFF
    std::vector<uint8_t> dspPlain;     // 0x000000 ... 0x03FFFF
    OwnedImage writer;
    OwnedImage cpu;
    OwnedImage dsp;
    FirmwareSet set;

    std::vector<uint8_t> CpuBlock(uint32_t address) const;
    std::vector<uint8_t> DspBlock(uint32_t address) const;
    uint16_t CpuSum() const;  // 0xE80000 ... 0xFFFFFF
    uint16_t DspSum() const;  // 0x010000 ... 0x03FFFF
};

const TestFirmware& SmallFirmware();
