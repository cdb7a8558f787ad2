#pragma once
#include "Scene.h"

// A request to end the program from outside its windows (a termination
// signal, the session's end, a logout) cannot be honoured while a processor
// is written: the radio would be left half-written. It is remembered and
// honoured once the whole update has ended (both processors, never between
// them), with the outcome's exit status. A close asked for in the window
// itself is refused without being remembered: its user closes it later.
class EndRequest {
public:
    // A request to end arrives while shown is on show: true when the
    // program may end now; otherwise it is remembered and false.
    bool Arrive(Scene shown);
    // A refused request waits for the update's end.
    bool Remembered() const { return remembered; }
    // True when a remembered request is to be honoured now: shown is the
    // scene an update ends on (its outcome).
    bool DueAt(Scene shown) const;

private:
    bool remembered = false;
};

// The line a window shows beside a refused close while a processor is
// written; endRemembered: a request to end waits for the update's end.
const char* ClosingNoteText(bool endRemembered);
