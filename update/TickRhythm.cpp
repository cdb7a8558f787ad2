#include "TickRhythm.h"

int TickWaitMs(SeqState state, bool portOpen, bool inProgress)
{
    const bool resting = state == SeqState::Reset || state == SeqState::Standby || state == SeqState::Confirm;
    return resting && !portOpen && !inProgress ? TickRhythm::RestMs : TickRhythm::BusyMs;
}
