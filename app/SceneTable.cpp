#include "SceneTable.h"

const SceneRow SceneTable[SceneCount] = {
    //  notices   caption 1  caption 2  btn1 btn2 prog port
    /*  0 */ {0, 9, "Yes", "No", 1, 1, 0, 0},          // caution, agreement
    /*  1 */ {10, 12, "OK", "Cancel", 1, 1, 0, 1},     // connect, COM port number
    /*  2 */ {20, 20, "", "", 0, 0, 0, 0},             // connecting
    /*  3 */ {13, 15, "Yes", "No", 1, 1, 0, 0},        // downgrade question
    /*  4 */ {16, 19, "Yes", "No", 1, 1, 1, 0},        // write time, start?
    /*  5 */ {20, 20, "", "", 0, 0, 1, 0},             // connecting, with progress
    /*  6 */ {34, 36, "", "", 0, 0, 1, 0},             // writing the CPU
    /*  7 */ {37, 39, "", "", 0, 0, 1, 0},             // writing the DSP
    /*  8 */ {40, 40, "OK", "", 1, 0, 0, 0},           // completed
    /*  9 */ {41, 41, "OK", "", 1, 0, 0, 0},           // not needed
    /* 10 */ {21, 26, "Retry", "Cancel", 1, 1, 0, 0},  // cannot access the port
    /* 11 */ {27, 28, "Retry", "Cancel", 1, 1, 0, 0},  // no answer
    /* 12 */ {29, 29, "OK", "", 1, 0, 0, 0},           // cannot update this radio
    /* 13 */ {30, 31, "Retry", "Cancel", 1, 1, 0, 0},  // cannot transfer the CPU
    /* 14 */ {32, 33, "Retry", "Cancel", 1, 1, 0, 0},  // cannot transfer the DSP
    /* 15 */ {42, 44, "OK", "", 1, 0, 0, 0},           // CPU update failed
    /* 16 */ {45, 47, "OK", "", 1, 0, 0, 0},           // DSP update failed
};
