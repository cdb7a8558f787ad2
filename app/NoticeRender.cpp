#include "NoticeRender.h"

#include "NoticeTable.h"

#include <QColor>
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

void AppendLine(QTextEdit* box, const QString& text, const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontPointSize(8);

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

} // namespace

void AppendNotice(QTextEdit* box, int index, const std::optional<std::string>& writeTime)
{
    AppendLine(box, KeepSlashedWordsWhole(Latin1(NoticeText(index, writeTime))), ColorOf(GetNotice(index).color));
}

void AppendPlainLine(QTextEdit* box, const QString& text)
{
    AppendLine(box, text, Qt::black);
}

void ShowNotices(QTextEdit* box, int first, int last, const std::optional<std::string>& writeTime)
{
    box->clear();
    for (int i = first; i <= last; ++i) {
        AppendNotice(box, i, writeTime);
    }
}
