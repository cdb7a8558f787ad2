#pragma once

#include <cstdint>

// Event codes returned by clsMainSeq::Step (EvNone: nothing to report). The
// numbers are the codes the window maps to scenes; 1, 2, 10 and 11 are
// never produced.
enum class SeqEvent : int32_t {
    EvNone = 0,
    EvComOpen = 3,
    EvBoot = 4,
    EvNoAnswer = 5,
    EvHandshake = 6,
    EvFirmUpload = 7,
    EvSysStart = 8,
    EvRomData = 9,
    EvUnknown = 12,
    EvModel = 13,
    EvVersion = 14,
    EvVersionAnswer = 15,
    EvCannotUpdate = 16,
    EvUpdatingCpu = 17,
    EvUpdatingDsp = 18,
    EvConfirmUpdate = 19,
    EvConfirmDowngrade = 20,
    EvCompleted = 21,
};

// The sequencer's states, by number.
enum class SeqState : int32_t {
    Opening = 1,
    Reset = 2,
    Standby = 3,
    Confirm = 4,
    Begin = 5,
    CommOpen = 6,
    CommRetry = 7,
    CommSettle = 8,
    Ident_Setup = 9,
    Ident_Wait = 10,
    Evaluate = 11,
    Select = 12,
    Image_Setup = 13,
    Boot_Setup = 14,
    Boot_Enter = 15,
    Boot_Marker = 16,
    Sync_Send00 = 17,
    Sync_Wait00 = 18,
    Key_Send = 19,
    Key_Wait = 20,
    ModelChk = 21,
    ModelChk_WaitAA = 22,
    VerChk = 23,
    VerChk_WaitAA = 24,
    Firm_SendSize = 25,
    Firm_ReplySize_U = 26,
    Firm_ReplySize_L = 27,
    Firm_SendData = 28,
    Firm_WaitAA = 29,
    RomW_Setup = 30,
    RomW_Setup_Wait = 31,
    RomW_Branch = 32,
    RomW_SysStart = 33,
    RomW_SysCheck = 34,
    RomW_SysData = 35,
    RomW_Data = 36,
    RomW_Sum = 37,
    RomW_End = 38,
    Wake_Wait = 39,
    Wake_Reset = 40,
    Completed = 41,
};

// Which failure rules name a state's event.
enum class FailureRule {
    TimeOutAndWriteError,  // the waiting states
    TimeOutOnly,           // a write error here is EvUnknown
    WriteErrorOnly,        // a state that does not wait, but whose write error has a name
};

// The event a failure in a state reports: the time-out rule of the waiting
// states (stepTimer ran out while the state had not moved) goes to
// `afterTimeOut`; a write error of the port found after the state's step
// goes to Reset. A state without a row reports EvUnknown on a write error
// and never times out.
struct StateFailure {
    SeqState state;
    SeqEvent event;
    FailureRule rule;
    SeqState afterTimeOut;
};

inline constexpr StateFailure stateFailures[] = {
    {SeqState::CommSettle,       SeqEvent::EvBoot,          FailureRule::WriteErrorOnly,       SeqState::Reset},
    {SeqState::Ident_Wait,       SeqEvent::EvNoAnswer,      FailureRule::TimeOutOnly,          SeqState::Standby},
    {SeqState::Boot_Enter,       SeqEvent::EvBoot,          FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Boot_Marker,      SeqEvent::EvBoot,          FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Sync_Wait00,      SeqEvent::EvHandshake,     FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Key_Wait,         SeqEvent::EvHandshake,     FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::ModelChk_WaitAA,  SeqEvent::EvModel,         FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::VerChk_WaitAA,    SeqEvent::EvVersionAnswer, FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Firm_ReplySize_U, SeqEvent::EvFirmUpload,    FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Firm_ReplySize_L, SeqEvent::EvFirmUpload,    FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Firm_SendData,    SeqEvent::EvFirmUpload,    FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::Firm_WaitAA,      SeqEvent::EvFirmUpload,    FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::RomW_Branch,      SeqEvent::EvRomData,       FailureRule::WriteErrorOnly,       SeqState::Reset},
    {SeqState::RomW_SysStart,    SeqEvent::EvSysStart,      FailureRule::WriteErrorOnly,       SeqState::Reset},
    {SeqState::RomW_SysCheck,    SeqEvent::EvRomData,       FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::RomW_SysData,     SeqEvent::EvRomData,       FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::RomW_Data,        SeqEvent::EvRomData,       FailureRule::TimeOutAndWriteError, SeqState::Reset},
    {SeqState::RomW_Sum,         SeqEvent::EvRomData,       FailureRule::TimeOutAndWriteError, SeqState::Reset},
};

// The row of a state, or null.
inline const StateFailure* FailureOf(SeqState state)
{
    for (const StateFailure& row : stateFailures) {
        if (row.state == state) {
            return &row;
        }
    }
    return nullptr;
}

inline bool TimesOut(const StateFailure& row)
{
    return row.rule != FailureRule::WriteErrorOnly;
}

inline bool NamesWriteError(const StateFailure& row)
{
    return row.rule != FailureRule::TimeOutOnly;
}
