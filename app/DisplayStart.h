#pragma once
#include <QtGlobal>

#include <string>
#include <vector>

class QString;

// The window needs a display. Without one (no DISPLAY or WAYLAND_DISPLAY,
// an X server that is gone or refuses) the toolkit reports that no platform
// could start and aborts the process; instead the program says so in one
// line on standard error and ends with a status of its own.
class DisplayStart {
public:
    // failStatus: the status the process ends with when no display can be had.
    explicit DisplayStart(int failStatus);
    // The toolkit is up (or the check ends): its start-up messages, held
    // back meanwhile, go on to the handler that was there.
    ~DisplayStart();
    DisplayStart(const DisplayStart&) = delete;
    DisplayStart& operator=(const DisplayStart&) = delete;

    // False when no display is named at all and the toolkit's platform is
    // not chosen by the user (QT_QPA_PLATFORM): nothing could be shown.
    static bool DisplayNamed();
    // Says why no window can be opened and ends the process with failStatus.
    [[noreturn]] void Fail() const;

    // The message the toolkit ends the process with when no platform starts.
    static bool IsStartFailure(QtMsgType type, const QString& message);
    // The line said, without the program's name.
    static std::string NoDisplayText();

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    int failStatus;
    QtMessageHandler previous;
    std::vector<std::string> held;  // the toolkit's lines until it is up
};
