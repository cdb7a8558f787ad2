#include "DisplayLossWatch.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

// The one watch in force (a hook: Qt's message handler is a plain function).
DisplayLossWatch* active = nullptr;
bool finishing = false;

} // namespace

DisplayLossWatch::DisplayLossWatch(std::function<int()> onLoss) : finish(std::move(onLoss))
{
    active = this;
    previous = qInstallMessageHandler(Handle);
}

DisplayLossWatch::~DisplayLossWatch()
{
    qInstallMessageHandler(previous);
    active = nullptr;
}

bool DisplayLossWatch::IsLossMessage(QtMsgType type, const QString& message)
{
    return (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        && message.startsWith(QLatin1String("The X11 connection broke"));
}

void DisplayLossWatch::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    DisplayLossWatch* const watch = active;
    if (watch == nullptr || !IsLossMessage(type, message)) {
        const QtMessageHandler next = watch != nullptr ? watch->previous : nullptr;
        if (next != nullptr) {
            next(type, context, message);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        }
        return;
    }
    // Qt ends the process once this returns; so this never returns.
    const QCoreApplication* app = QCoreApplication::instance();
    if (finishing || app == nullptr || QThread::currentThread() != app->thread()) {
        // Another report of the same loss: the user-interface thread, which
        // sees it too, finishes the writing and ends the process.
        for (;;) {
            pause();
        }
    }
    finishing = true;
    const int status = watch->finish();
    std::fflush(nullptr);
    _exit(status);
}
