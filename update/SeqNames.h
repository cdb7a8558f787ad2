#pragma once
// The sequencer's events and states by name, for the trace and for test
// output ("EvRomData", "RomW_Data").
#include "SeqEvents.h"

#include <cstdint>

inline const char* SeqEventName(SeqEvent event)
{
    switch (event) {
    case SeqEvent::EvNone: return "EvNone";
    case SeqEvent::EvComOpen: return "EvComOpen";
    case SeqEvent::EvBoot: return "EvBoot";
    case SeqEvent::EvNoAnswer: return "EvNoAnswer";
    case SeqEvent::EvHandshake: return "EvHandshake";
    case SeqEvent::EvFirmUpload: return "EvFirmUpload";
    case SeqEvent::EvSysStart: return "EvSysStart";
    case SeqEvent::EvRomData: return "EvRomData";
    case SeqEvent::EvUnknown: return "EvUnknown";
    case SeqEvent::EvModel: return "EvModel";
    case SeqEvent::EvVersion: return "EvVersion";
    case SeqEvent::EvVersionAnswer: return "EvVersionAnswer";
    case SeqEvent::EvCannotUpdate: return "EvCannotUpdate";
    case SeqEvent::EvUpdatingCpu: return "EvUpdatingCpu";
    case SeqEvent::EvUpdatingDsp: return "EvUpdatingDsp";
    case SeqEvent::EvConfirmUpdate: return "EvConfirmUpdate";
    case SeqEvent::EvConfirmDowngrade: return "EvConfirmDowngrade";
    case SeqEvent::EvCompleted: return "EvCompleted";
    }
    return "(no such event)";
}

inline const char* SeqStateName(SeqState state)
{
    static const char* const names[] = {
        "Opening", "Reset", "Standby", "Confirm", "Begin", "CommOpen", "CommRetry", "CommSettle",
        "Ident_Setup", "Ident_Wait", "Evaluate", "Select", "Image_Setup", "Boot_Setup", "Boot_Enter",
        "Boot_Marker", "Sync_Send00", "Sync_Wait00", "Key_Send", "Key_Wait", "ModelChk", "ModelChk_WaitAA",
        "VerChk", "VerChk_WaitAA", "Firm_SendSize", "Firm_ReplySize_U", "Firm_ReplySize_L", "Firm_SendData",
        "Firm_WaitAA", "RomW_Setup", "RomW_Setup_Wait", "RomW_Branch", "RomW_SysStart", "RomW_SysCheck",
        "RomW_SysData", "RomW_Data", "RomW_Sum", "RomW_End", "Wake_Wait", "Wake_Reset", "Completed",
    };
    const int32_t n = static_cast<int32_t>(state);
    if (n < 1 || n > static_cast<int32_t>(sizeof names / sizeof names[0])) {
        return "(no such state)";
    }
    return names[n - 1];
}
