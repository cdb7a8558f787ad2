#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FirmwareSet;

// What the radio's main-processor flash holds when it is switched on.
enum class CpuFirmware {
    Same,     // the image, byte for byte
    Older,    // the image's shape with an older version text and some other bytes
    Newer,    // the same with a newer version text
    Blank,    // erased: all 0xFF, reported as "X.XX-XXX"
    BadText,  // a version text with a character that is not allowed ('/')
};

// The same choices for the DSP; a blank DSP reports eight blanks. Blank
// erases what an update writes, 0x010000-0x03FFFF; the DSP's code below
// that is the image's, as in a radio whose update failed.
enum class DspFirmware { Same, Older, Newer, Blank, BadText };

enum class FaultKind {
    Silent,     // no answer, and nothing more until PowerCycle()
    WrongByte,  // the first answer byte inverted (or one stray byte where none is due)
    HangUp,     // the radio drops the line: its side of the pseudo-terminal closes
    Noise,      // a few stray bytes, then the normal answer
    Late,       // the answer lateMs late; later answers queue behind it
    WrongLater, // right the first nth - 1 times the point is passed, then as WrongByte:
                // at "writer", the nth byte of the program echoed wrong
};

// A fault at a named point of the protocol. Points: "ident", "boot",
// "marker", "sync", "key", "model", "version", "size", "writer",
// "writer_aa", "dsp_ready", "sys_check", "sys_data", "data", "sum",
// "dsp_sum", "end", or "block N" (the N-th data packet, command 0 or 8,
// counted from 1 since the last boot request). "cpu." or "dsp." in front
// limits it to that processor's boot session.
struct Fault {
    std::string point;
    FaultKind kind = FaultKind::Silent;
    int lateMs = 0;
    bool everyTime = false;  // default: fires once
    int nth = 1;             // WrongLater: the pass it fires at, from 1
};

struct RadioOptions {
    CpuFirmware cpu = CpuFirmware::Older;
    DspFirmware dsp = DspFirmware::Older;
    uint8_t variantMark = 'E';        // 'J': a radio that is not to be updated
    bool systemAreaMatches = false;   // Older/Newer/BadText: system area equal to the image's
    bool echoWriter = false;          // echo the flash-writing program's bytes (plain)
    bool keepsOldVersion = false;     // keep reporting the versions it started with, whatever is written
    bool paced = false;               // 38,400 bit/s, 10 bits a byte, both ways
    bool checkLineSettings = true;    // bytes sent at another speed than 38400 8N1 are garbage
    std::vector<Fault> faults;
    const FirmwareSet* images = nullptr;  // null: the built-in records
};
