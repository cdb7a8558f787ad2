#include "NoticeRender.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QString>
#include <QTextEdit>

namespace {

// The table's colour value holds red in the low byte, then green, then blue.
QColor ColorOf(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// Notice texts are 8-bit; every character the table holds is ASCII.
QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void AppendLine(QTextEdit* box, const QString& text, const QColor& color, bool emphasis = false)
{
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontPointSize(8);
    format.setFontWeight(emphasis ? QFont::Bold : QFont::Normal);

    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    if (!box->document()->isEmpty()) {
        cursor.insertBlock(QTextBlockFormat(), format);
    }
    cursor.setCharFormat(format);
    cursor.insertText(text, format);
}

// A key's name such as [V/MHz] is one word to the reader: a word joiner
// after a slash between two letters keeps the line from breaking there.
QString KeepSlashedWordsWhole(QString text)
{
    for (qsizetype i = text.size() - 2; i > 0; --i) {
        if (text[i] == QLatin1Char('/') && text[i - 1].isLetterOrNumber() && text[i + 1].isLetterOrNumber()) {
            text.insert(i + 1, WordJoiner);
        }
    }
    return text;
}

void AppendSceneLine(QTextEdit* box, const SceneLine& line)
{
    // A line of the program's own (a device's path) is drawn as it is.
    const QString text = line.notice ? KeepSlashedWordsWhole(Latin1(line.text)) : QString::fromStdString(line.text);
    AppendLine(box, text, ColorOf(line.color), line.emphasis);
}

} // namespace

void DrawLines(QTextEdit* box, const std::vector<SceneLine>& lines)
{
    box->clear();
    for (const SceneLine& line : lines) {
        AppendSceneLine(box, line);
    }
}

void AppendNotice(QTextEdit* box, int index, const std::optional<std::string>& writeTime)
{
    AppendSceneLine(box, NoticeLines(index, index, writeTime).front());
}

void AppendPlainLine(QTextEdit* box, const QString& text)
{
    AppendLine(box, text, Qt::black);
}

void ShowNotices(QTextEdit* box, int first, int last, const std::optional<std::string>& writeTime)
{
    DrawLines(box, NoticeLines(first, last, writeTime));
}
