#include "SceneTable.h"

const SceneRow SceneTable[SceneCount] = {
    //       notices  caption 1  caption 2  btn1 btn2 prog port   Scene
    /*  0 */ {0, 9, "Yes", "No", 1, 1, 0, 0},         // Opening
    /*  1 */ {10, 12, "OK", "Cancel", 1, 1, 0, 1},    // PortEntry
    /*  2 */ {20, 20, "", "", 0, 0, 0, 0},            // Connecting
    /*  3 */ {13, 15, "Yes", "No", 1, 1, 0, 0},       // ConfirmDowngrade
    /*  4 */ {16, 19, "Yes", "No", 1, 1, 1, 0},       // ConfirmUpdate
    /*  5 */ {20, 20, "", "", 0, 0, 1, 0},            // ConnectingToWrite
    /*  6 */ {34, 36, "", "", 0, 0, 1, 0},            // WritingCpu
    /*  7 */ {37, 39, "", "", 0, 0, 1, 0},            // WritingDsp
    /*  8 */ {40, 40, "OK", "", 1, 0, 0, 0},          // Completed
    /*  9 */ {41, 41, "OK", "", 1, 0, 0, 0},          // NotNeeded
    /* 10 */ {21, 26, "Retry", "Cancel", 1, 1, 0, 0}, // PortUnavailable
    /* 11 */ {27, 28, "Retry", "Cancel", 1, 1, 0, 0}, // NoAnswer
    /* 12 */ {29, 29, "OK", "", 1, 0, 0, 0},          // CannotUpdate
    /* 13 */ {30, 31, "Retry", "Cancel", 1, 1, 0, 0}, // CpuTransferFailed
    /* 14 */ {32, 33, "Retry", "Cancel", 1, 1, 0, 0}, // DspTransferFailed
    /* 15 */ {42, 44, "OK", "", 1, 0, 0, 0},          // CpuUpdateFailed
    /* 16 */ {45, 47, "OK", "", 1, 0, 0, 0},          // DspUpdateFailed
};

const SceneRow* FindSceneRow(Scene scene)
{
    const int index = static_cast<int>(scene);
    if (index < 0 || index >= SceneCount) {
        return nullptr;
    }
    return &SceneTable[index];
}
