#include "EventSceneTable.h"

#include "Targets.h"

namespace {

using enum Scene;
using enum SeqEvent;
constexpr std::optional<Scene> Keep = std::nullopt;

const EventSceneRow EventScenes[] = {
    //  event             none               cpu                dsp                refused            beep
    {EvComOpen,           PortUnavailable,   PortUnavailable,   PortUnavailable,   PortUnavailable,   true},
    {EvBoot,              CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvNoAnswer,          NoAnswer,          NoAnswer,          NoAnswer,          NoAnswer,          true},
    {EvHandshake,         CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvFirmUpload,        CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvSysStart,          CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvRomData,           CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvUnknown,           NoAnswer,          NoAnswer,          NoAnswer,          NoAnswer,          true},
    {EvModel,             CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvVersion,           CpuTransferFailed, CpuTransferFailed, DspTransferFailed, CpuTransferFailed, true},
    {EvVersionAnswer,     CpuUpdateFailed,   CpuUpdateFailed,   DspUpdateFailed,   CpuUpdateFailed,   true},
    {EvCannotUpdate,      CannotUpdate,      CannotUpdate,      CannotUpdate,      CannotUpdate,      true},
    {EvUpdatingCpu,       WritingCpu,        WritingCpu,        WritingCpu,        WritingCpu,        false},
    {EvUpdatingDsp,       WritingDsp,        WritingDsp,        WritingDsp,        WritingDsp,        false},
    {EvConfirmUpdate,     ConfirmUpdate,     ConfirmUpdate,     ConfirmUpdate,     ConfirmUpdate,     false},
    {EvConfirmDowngrade,  ConfirmDowngrade,  ConfirmDowngrade,  ConfirmDowngrade,  ConfirmDowngrade,  false},
    {EvCompleted,         NotNeeded,         Completed,         Completed,         Keep,              false},
};

} // namespace

const EventSceneRow* FindEventScene(SeqEvent event)
{
    for (const EventSceneRow& row : EventScenes) {
        if (row.event == event) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<Scene> SceneForEvent(SeqEvent event, int target)
{
    const EventSceneRow* row = FindEventScene(event);
    if (row == nullptr) {
        return std::nullopt;
    }
    switch (target) {
    case TargetNone:
        return row->sceneNone;
    case TargetDsp:
        return row->sceneDsp;
    case TargetRefused:
        return row->sceneRefused;
    default:
        return row->sceneCpu;
    }
}
