#pragma once
#include "SeqEvents.h"

#include <string>

// What an update that ended without a window to show it came to (the
// display lost, or a request to end that waited for the update's end): the
// exit status of its outcome scene (ExitStatus.h) and the text of the scene
// the window would have shown, from the event that ended the writing and the
// target then handled.
struct WriteOutcome {
    int status;
    std::string text;
};
WriteOutcome OutcomeOfWrite(SeqEvent last, int target);

// A scene's notice lines as one line of plain text (blank lines left out).
std::string SceneText(int first, int last);
