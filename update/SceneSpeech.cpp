#include "SceneSpeech.h"

namespace {
constexpr const char* Waiting = "The writing of the firmware has not started";
constexpr const char* Connecting = "Connecting to the RX-77 to write its firmware";
constexpr const char* Cpu = "Writing the firmware of the main processor (CPU)";
constexpr const char* Dsp = "Writing the firmware of the DSP";
} // namespace

const SceneSpeechRow SceneSpeechTable[SceneCount] = {
    /*  0 */ {false, nullptr},     // Opening
    /*  1 */ {false, nullptr},     // PortEntry
    /*  2 */ {false, nullptr},     // Connecting
    /*  3 */ {false, nullptr},     // ConfirmDowngrade
    /*  4 */ {false, Waiting},     // ConfirmUpdate
    /*  5 */ {false, Connecting},  // ConnectingToWrite
    /*  6 */ {false, Cpu},         // WritingCpu
    /*  7 */ {false, Dsp},         // WritingDsp
    /*  8 */ {false, nullptr},     // Completed
    /*  9 */ {false, nullptr},     // NotNeeded
    /* 10 */ {true, nullptr},      // PortUnavailable
    /* 11 */ {true, nullptr},      // NoAnswer
    /* 12 */ {true, nullptr},      // CannotUpdate
    /* 13 */ {true, nullptr},      // CpuTransferFailed
    /* 14 */ {true, nullptr},      // DspTransferFailed
    /* 15 */ {true, nullptr},      // CpuUpdateFailed
    /* 16 */ {true, nullptr},      // DspUpdateFailed
};

const SceneSpeechRow* FindSceneSpeech(Scene scene)
{
    const int index = static_cast<int>(scene);
    if (index < 0 || index >= SceneCount) {
        return nullptr;
    }
    return &SceneSpeechTable[index];
}
