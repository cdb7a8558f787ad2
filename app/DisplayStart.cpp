#include "DisplayStart.h"

#include "Platform.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The one check in force (a hook: Qt's message handler is a plain function).
DisplayStart* active = nullptr;

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

DisplayStart::DisplayStart(int status) : failStatus(status)
{
    active = this;
    previous = qInstallMessageHandler(Handle);
}

DisplayStart::~DisplayStart()
{
    qInstallMessageHandler(previous);
    active = nullptr;
    for (const std::string& line : held) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

bool DisplayStart::DisplayNamed()
{
    return !Variable("QT_QPA_PLATFORM").empty() || !Variable("DISPLAY").empty()
        || !Variable("WAYLAND_DISPLAY").empty();
}

std::string DisplayStart::NoDisplayText()
{
    const std::string x = Variable("DISPLAY");
    const std::string wayland = Variable("WAYLAND_DISPLAY");
    std::string why;
    if (x.empty() && wayland.empty()) {
        why = "no display is set (neither DISPLAY nor WAYLAND_DISPLAY)";
    } else {
        why = "the display " + (x.empty() ? "\"" + wayland + "\"" : "\"" + x + "\"") + " cannot be reached";
    }
    return "cannot open a window: " + why + ". Start it on the desktop, or update from a terminal (--port N).";
}

void DisplayStart::Fail() const
{
    std::fprintf(stderr, "%s: %s\n", ProgramFileName().c_str(), NoDisplayText().c_str());
    // What the toolkit said on the way, for whoever looks into a setup.
    for (const std::string& line : held) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
    std::fflush(nullptr);
    // Inside the toolkit's start: no orderly way back; the system drops the lock.
    _exit(failStatus);
}

bool DisplayStart::IsStartFailure(QtMsgType type, const QString& message)
{
    return type == QtFatalMsg && message.contains(QLatin1String("no Qt platform plugin could be initialized"));
}

void DisplayStart::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    DisplayStart* const check = active;
    if (check == nullptr) {
        return;
    }
    if (IsStartFailure(type, message)) {
        check->Fail();
    }
    if (type == QtFatalMsg) {
        // Any other fatal message ends the process as the toolkit wants.
        if (check->previous != nullptr) {
            check->previous(type, context, message);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        }
        return;
    }
    check->held.push_back(qFormatLogMessage(type, context, message).toStdString());
}
