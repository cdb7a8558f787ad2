#include "UiTestSupport.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>

#include <filesystem>
#include <system_error>

std::vector<ShownLine> ShownLines(const QTextEdit* box)
{
    std::vector<ShownLine> lines;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        ShownLine line{block.text(), QColor(), 0.0};
        const QTextBlock::iterator first = block.begin();
        if (!first.atEnd()) {
            const QTextCharFormat format = first.fragment().charFormat();
            line.color = format.foreground().color();
            line.pointSize = format.fontPointSize();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string ColourPattern(const std::vector<ShownLine>& lines)
{
    std::string pattern;
    for (const ShownLine& line : lines) {
        if (line.color == QColor(255, 0, 0)) {
            pattern += 'r';
        } else if (line.color == QColor(0, 0, 0)) {
            pattern += 'b';
        } else {
            pattern += '?';
        }
    }
    return pattern;
}

std::string PortFolder::AddPty(int com)
{
    auto pair = std::make_unique<PtyPair>();
    if (!pair->Ok() || !pair->MakeRaw()) {
        return {};
    }
    const std::string link = folder.Join("com" + std::to_string(com));
    std::error_code error;
    std::filesystem::create_symlink(pair->SlavePath(), link, error);
    if (error) {
        return {};
    }
    const std::string device = pair->SlavePath();
    ptys.push_back({com, std::move(pair)});
    return device;
}

const PtyPair* PortFolder::Find(int com) const
{
    for (const Pty& p : ptys) {
        if (p.com == com) {
            return p.pair.get();
        }
    }
    return nullptr;
}

int PortFolder::Master(int com) const
{
    const PtyPair* pair = Find(com);
    return pair != nullptr ? pair->Master() : -1;
}

std::vector<unsigned char> PortFolder::Drain(int com) const
{
    const PtyPair* pair = Find(com);
    return pair != nullptr ? pair->ReadMasterNow() : std::vector<unsigned char>{};
}

void PortFolder::Use()
{
    variable.emplace(folder.Path());
}
