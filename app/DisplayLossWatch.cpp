#include "DisplayLossWatch.h"

#include "ExitStatus.h"

#include "EventSceneTable.h"
#include "NoticeTable.h"
#include "SceneTable.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

// The one watch in force (a hook: Qt's message handler is a plain function).
DisplayLossWatch* active = nullptr;
bool finishing = false;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

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

std::string SceneText(int first, int last)
{
    std::string text;
    for (int i = first; i <= last; ++i) {
        const std::string line = Trimmed(NoticeText(i, std::nullopt));
        if (!line.empty()) {
            text += (text.empty() ? "" : " ") + line;
        }
    }
    return text;
}

WriteOutcome OutcomeOfWrite(SeqEvent last, int target)
{
    const std::optional<Scene> scene = SceneForEvent(last, target);
    const SceneRow* row = scene ? FindSceneRow(*scene) : nullptr;
    const std::string text = row != nullptr ? SceneText(row->FirstNotice, row->LastNotice) : std::string();
    // An event that ends no write is not expected here; it is not a success.
    const int status = scene ? ExitStatusOfScene(*scene) : -1;
    return {status >= 0 ? status : ExitStatus::InternalError, text};
}
