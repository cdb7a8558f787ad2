#pragma once
// Scenes in test messages by name and number rather than as raw bytes.
#include "Scene.h"

#include <ostream>

inline const char* SceneName(Scene scene)
{
    static const char* const names[SceneCount] = {
        "Opening",    "PortEntry",       "Connecting",   "ConfirmDowngrade",  "ConfirmUpdate",     "ConnectingToWrite",
        "WritingCpu", "WritingDsp",      "Completed",    "NotNeeded",         "PortUnavailable",   "NoAnswer",
        "CannotUpdate", "CpuTransferFailed", "DspTransferFailed", "CpuUpdateFailed", "DspUpdateFailed",
    };
    const int index = static_cast<int>(scene);
    return index >= 0 && index < SceneCount ? names[index] : "outside the table";
}

inline void PrintTo(Scene scene, std::ostream* os)
{
    *os << SceneName(scene) << " (" << static_cast<int>(scene) << ")";
}
