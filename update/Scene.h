#pragma once

// The scenes the two windows show, by what each tells the user. The numbers
// are the rows of the scene table: 0 belongs to the opening card, 1 to 16 to
// the main window.
enum class Scene : int {
    Opening = 0,            // the caution and the agreement question
    PortEntry = 1,          // how to connect the radio; asks for the COM port
    Connecting = 2,
    ConfirmDowngrade = 3,   // the radio's firmware is newer; continue?
    ConfirmUpdate = 4,      // the write time; start?
    ConnectingToWrite = 5,  // connecting again, with the progress bar
    WritingCpu = 6,
    WritingDsp = 7,
    Completed = 8,
    NotNeeded = 9,
    PortUnavailable = 10,   // cannot access the COM port; checklist
    NoAnswer = 11,
    CannotUpdate = 12,      // the connected radio cannot be updated
    CpuTransferFailed = 13,
    DspTransferFailed = 14,
    CpuUpdateFailed = 15,
    DspUpdateFailed = 16,
};

constexpr int SceneCount = 17;
