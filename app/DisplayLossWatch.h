#pragma once
#include <QtGlobal>

#include <functional>
#include <string>

#include "WriteOutcome.h"  // what the write came to, said on standard error

class QString;

// Losing the display (the X server ending, the session logging out) must
// not cut a firmware write short. Qt's X11 connection reports the loss with
// a warning on the user-interface thread and then ends the process; the
// program's message handler sees that warning first and never returns from
// it: it hands over to a function that finishes without windows and gives
// the exit status. Other messages go on to the handler that was there.
class DisplayLossWatch {
public:
    // finish: runs on the user-interface thread once the loss is seen; its
    // result is the process's exit status.
    explicit DisplayLossWatch(std::function<int()> finish);
    ~DisplayLossWatch();
    DisplayLossWatch(const DisplayLossWatch&) = delete;
    DisplayLossWatch& operator=(const DisplayLossWatch&) = delete;

    // The message Qt's X11 connection reports its loss with (its xcb and
    // its Xlib side word it differently).
    static bool IsLossMessage(QtMsgType type, const QString& message);

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::function<int()> finish;
    QtMessageHandler previous;
};
