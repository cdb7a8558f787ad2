#include "ExitStatus.h"

namespace {

const ExitStatusRow Rows[] = {
    {ExitStatus::Done, "the update completed, or it was not needed; or the window was closed by its user"},
    {ExitStatus::LockFailed, "the lock that keeps a second copy out cannot be made"},
    {ExitStatus::Usage, "wrong options"},
    {ExitStatus::SecondCopy, "another copy is running, as a window or in a terminal"},
    {ExitStatus::Declined, "the caution notice or the question was answered no (or the input ended)"},
    {ExitStatus::Signalled, "ended by Ctrl+C or another request to end while nothing was written"},
    {ExitStatus::OutputFailed, "the output could not be written before the writing began (once a processor was written, the outcome's status is given)"},
    {ExitStatus::NoDisplay, "the window cannot start: no display"},
    {ExitStatus::InternalError, "an internal error ended the program, after its error box"},
    {ExitStatus::DisplayLost, "the display was lost while no processor was being written"},
    {static_cast<int>(Scene::PortUnavailable), "cannot access the COM port"},
    {static_cast<int>(Scene::NoAnswer), "no answer from the radio"},
    {static_cast<int>(Scene::CannotUpdate), "the connected radio cannot be updated"},
    {static_cast<int>(Scene::CpuTransferFailed), "the CPU firmware could not be transferred"},
    {static_cast<int>(Scene::DspTransferFailed), "the DSP firmware could not be transferred"},
    {static_cast<int>(Scene::CpuUpdateFailed), "updating the CPU firmware failed"},
    {static_cast<int>(Scene::DspUpdateFailed), "updating the DSP firmware failed"},
};

} // namespace

std::span<const ExitStatusRow> ExitStatusTable()
{
    return Rows;
}

int ExitStatusOfScene(Scene scene)
{
    switch (scene) {
    case Scene::Completed:
    case Scene::NotNeeded:
        return ExitStatus::Done;
    case Scene::PortUnavailable:
    case Scene::NoAnswer:
    case Scene::CannotUpdate:
    case Scene::CpuTransferFailed:
    case Scene::DspTransferFailed:
    case Scene::CpuUpdateFailed:
    case Scene::DspUpdateFailed:
        return static_cast<int>(scene);
    default:
        return -1;
    }
}

int WorseExitStatus(int a, int b)
{
    if (a == ExitStatus::Done) {
        return b;
    }
    if (b == ExitStatus::Done) {
        return a;
    }
    return a > b ? a : b;
}
