#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One of the radio's two flash memories, compared with its built-in image.
struct FlashReport {
    bool matchesImage = false;
    int64_t firstDifference = -1;  // first address that differs; -1 when equal
    bool intact = false;           // firmware complete and summed: its version is reported
};

// What the emulated radio saw and did; a snapshot taken under its lock.
struct RadioReport {
    uint64_t bytesReceived = 0;  // from the program
    uint64_t bytesSent = 0;      // to the program
    std::map<int, int> packetsByCommand;  // well-formed packets by command byte
    int blocksWritten = 0;                // command 0 packets stored
    int blocksChecked = 0;                // command 8 packets compared
    int identitiesAnswered = 0;
    int bootSessions = 0;                 // boot requests accepted (repeats not counted)
    int writerBytesTaken = 0;             // bytes of the flash-writing program taken, all sessions
    // Repeated requests that came in a pile: the computer between the
    // program and the radio held them back (a stalled machine, not the
    // program), so the radio answered each and the program heard too much.
    int requestsHeldBack = 0;
    std::vector<std::string> faultsInjected;
    std::vector<std::string> protocolErrors;
    FlashReport cpu;
    FlashReport dsp;
    std::string phase;       // where the boot loader stands
    bool inUpdateMode = true;  // false after the exit command
    bool hungUp = false;       // a hang-up fault closed the line
};

// Several lines of text, for the tool and for test failure messages.
std::string FormatReport(const RadioReport& report);
