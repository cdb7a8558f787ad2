#include "EventSceneTable.h"

#include "Targets.h"

namespace {

using enum SeqEvent;

constexpr int Keep = SceneUnchanged;

const EventSceneRow EventScenes[] = {
    //  event               none  cpu  dsp  refused beep
    {EvComOpen,             10,   10,  10,  10,     true},
    {EvBoot,                15,   15,  16,  15,     true},
    {EvNoAnswer,            11,   11,  11,  11,     true},
    {EvHandshake,           15,   15,  16,  15,     true},
    {EvFirmUpload,          15,   15,  16,  15,     true},
    {EvSysStart,            15,   15,  16,  15,     true},
    {EvRomData,             15,   15,  16,  15,     true},
    {EvUnknown,             11,   11,  11,  11,     true},
    {EvModel,               15,   15,  16,  15,     true},
    {EvVersion,             13,   13,  14,  13,     true},
    {EvVersionAnswer,       15,   15,  16,  15,     true},
    {EvCannotUpdate,        12,   12,  12,  12,     true},
    {EvUpdatingCpu,         6,    6,   6,   6,      false},
    {EvUpdatingDsp,         7,    7,   7,   7,      false},
    {EvConfirmUpdate,       4,    4,   4,   4,      false},
    {EvConfirmDowngrade,    3,    3,   3,   3,      false},
    {EvCompleted,           9,    8,   8,   Keep,   false},
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

int SceneForEvent(SeqEvent event, int target)
{
    const EventSceneRow* row = FindEventScene(event);
    if (row == nullptr) {
        return SceneUnchanged;
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
