#include "NoticeLines.h"

#include "NoticeTable.h"
#include "SceneTable.h"

#include <optional>

std::string TrimmedNotice(const std::string& text)
{
    constexpr size_t CentringBlanks = 4;
    const size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos) {
        return {};
    }
    const size_t first = text.find_first_not_of(' ');
    return text.substr(first >= CentringBlanks ? first : 0, last + 1 - (first >= CentringBlanks ? first : 0));
}

std::string SceneLine(Scene scene)
{
    const SceneRow* row = FindSceneRow(scene);
    return row == nullptr ? std::string() : TrimmedNotice(NoticeText(row->FirstNotice, std::nullopt));
}
