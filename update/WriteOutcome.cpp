#include "WriteOutcome.h"

#include "EventSceneTable.h"
#include "ExitStatus.h"
#include "NoticeTable.h"
#include "SceneTable.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

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
