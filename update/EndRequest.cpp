#include "EndRequest.h"

#include "CloseRule.h"
#include "ExitStatus.h"

bool EndRequest::Arrive(Scene shown)
{
    if (CanClose(shown)) {
        return true;
    }
    remembered = true;
    return false;
}

bool EndRequest::DueAt(Scene shown) const
{
    return remembered && ExitStatusOfScene(shown) >= 0;
}

// The writing ends on a scene that waits for OK: the window does not close
// by itself then, unless a request to end is waiting for that moment.
const char* ClosingNoteText(bool endRemembered)
{
    return endRemembered ? "The program ends by itself once the update has ended."
                         : "The window can be closed once the writing has ended.";
}
