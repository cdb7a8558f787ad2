#include "OkSceneTable.h"

namespace {

using enum Scene;
using enum OkAction;

const OkSceneRow OkScenes[] = {
    //  scene              action       next
    {PortEntry,            StartAtPort, Connecting},
    {ConfirmDowngrade,     Show,        ConfirmUpdate},
    {ConfirmUpdate,        Start,       ConnectingToWrite},
    {Completed,            EndProgram,  Completed},
    {NotNeeded,            EndProgram,  NotNeeded},
    {CannotUpdate,         EndProgram,  CannotUpdate},
    {CpuUpdateFailed,      EndProgram,  CpuUpdateFailed},
    {DspUpdateFailed,      EndProgram,  DspUpdateFailed},
    {PortUnavailable,      Show,        PortEntry},  // "Retry"
    {NoAnswer,             Show,        PortEntry},
    {CpuTransferFailed,    Show,        PortEntry},
    {DspTransferFailed,    Show,        PortEntry},
};

} // namespace

const OkSceneRow* FindOkScene(Scene scene)
{
    for (const OkSceneRow& row : OkScenes) {
        if (row.scene == scene) {
            return &row;
        }
    }
    return nullptr;
}
