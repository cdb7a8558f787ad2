#pragma once
#include "SeqEvents.h"

// How long whatever ticks the sequencer waits after a tick before the next.
// While anything goes on the wait is at most BusyMs, and it ends early when
// the radio's bytes arrive; a sequencer that rests with its port closed and
// nothing running is ticked every RestMs only (the OK button then follows a
// change within that time, which nobody sees).
namespace TickRhythm {
constexpr int BusyMs = 1;
constexpr int RestMs = 20;
} // namespace TickRhythm

// The wait after a tick that left the sequencer in state, with its port
// open or not and an update running or not.
int TickWaitMs(SeqState state, bool portOpen, bool inProgress);
