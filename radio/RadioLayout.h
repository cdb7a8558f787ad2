#pragma once

#include <cstdint>

// The radio's memories and the fixed bytes of its boot loader. Where the
// images keep their fields is shared with the program (ImageLayout.h).
//
// This is the radio's own statement of the protocol, kept apart from the
// updater's processor profiles (update/ProcessorProfile.h) on purpose: the
// tests run the updater against it, and a mistake in the updater's table
// must show up as a disagreement with the radio, not be copied into it.
namespace radio {

inline constexpr uint32_t cpuFlashFirst = 0xE80000;
inline constexpr uint32_t cpuFlashLast = 0xFFFFFF;
inline constexpr uint32_t cpuSystemFirst = 0xFFC000;  // system area, erased on its own
inline constexpr uint32_t cpuSystemLast = 0xFFFFFF;
inline constexpr uint32_t cpuAppFirst = 0xE80000;     // application area
inline constexpr uint32_t cpuAppLast = 0xFFBFFF;

inline constexpr uint32_t dspFlashFirst = 0x000000;
inline constexpr uint32_t dspFlashLast = 0x03FFFF;
inline constexpr uint32_t dspAreaFirst = 0x010000;  // what the boot loader may write
inline constexpr uint32_t dspAreaLast = 0x03FFFF;

inline constexpr uint32_t blockSize = 256;
// The DSP takes its sum between the second-to-last and the last of its blocks.
inline constexpr int dspBlocks = static_cast<int>((dspAreaLast - dspAreaFirst + 1) / blockSize);
inline constexpr int versionLength = 8;
inline constexpr int identityLength = 17;
inline constexpr uint8_t dspTextFirst = 'D';  // c0 of the DSP's text; nobody compares it
// What the radio reports for firmware it does not have.
inline constexpr char cpuPlaceholder[versionLength + 1] = "X.XX-XXX";
inline constexpr char dspPlaceholder[versionLength + 1] = "        ";
// The only version text the DSP's boot loader takes.
inline constexpr char dspBootVersion[versionLength + 1] = "0.00-000";

// Four-byte commands, sent in plain: 0x33 0x90 0x82 and one of these.
inline constexpr uint8_t commandPrefix[3] = {0x33, 0x90, 0x82};
inline constexpr uint8_t commandBootCpu = 0x80;
inline constexpr uint8_t commandBootDsp = 0x81;
inline constexpr uint8_t commandIdentity = 0x82;
inline constexpr uint8_t commandExit = 0x83;

inline constexpr int markerLength = 9;
inline constexpr char cpuMarker[markerLength + 1] = "VEXA5127M";
inline constexpr char dspMarker[markerLength + 1] = "VEXA5127D";

inline constexpr uint8_t modelScanOn = 99;
inline constexpr uint8_t modelDupDtcs = 60;
inline constexpr uint8_t modelDsp = 30;

inline constexpr uint8_t answerAccepted = 0xAA;
inline constexpr uint8_t answerMarker = 0x55;
inline constexpr uint8_t answerBlock = 0xFB;
inline constexpr uint8_t answerDiffers = 0x00;  // command 8: the block is not what the flash holds
inline constexpr uint8_t answerRefused = 0x00;  // anything malformed, unless it is awaited

// Packet commands.
inline constexpr uint8_t packetWrite = 0x00;
inline constexpr uint8_t packetSum = 0x01;
inline constexpr uint8_t packetCheck = 0x08;
inline constexpr uint8_t packetEnd = 0x0F;

}  // namespace radio
