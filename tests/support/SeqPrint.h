#pragma once
// Shows the sequencer's events and states by name and number in test
// output and failure messages, e.g. "EvRomData (9)".
#include "SeqEvents.h"
#include "SeqNames.h"

#include <cstdint>
#include <ostream>

inline std::ostream& operator<<(std::ostream& os, SeqEvent event)
{
    return os << SeqEventName(event) << " (" << static_cast<int32_t>(event) << ")";
}

inline std::ostream& operator<<(std::ostream& os, SeqState state)
{
    return os << SeqStateName(state) << " (" << static_cast<int32_t>(state) << ")";
}
