#include "MessageBoxCp932.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <string>

namespace {

struct Shown {
    int count = 0;
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    int style = -1;
};

MessageDisplay Watch(Shown& shown, int answer = AnswerOk)
{
    return [&shown, answer](QWidget* owner, const QString& text, const QString& caption, int style) {
        ++shown.count;
        shown.owner = owner;
        shown.text = text;
        shown.caption = caption;
        shown.style = style;
        return answer;
    };
}

std::string Repeat(const char* piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

struct Cp932Case {
    const char* name;
    std::string text;
    std::string caption;
    bool shown;
    QString wideText;
    QString wideCaption;
};

void PrintTo(const Cp932Case& c, std::ostream* os) { *os << c.name; }

class Cp932 : public testing::TestWithParam<Cp932Case> {};

TEST_P(Cp932, ConvertsOrDeclines)
{
    const Cp932Case& c = GetParam();
    QWidget owner;
    Shown shown;
    const int answer = MessageBoxCp932(&owner, c.text, c.caption, MsgIconError | MsgOk, Watch(shown));
    if (!c.shown) {
        EXPECT_EQ(answer, AnswerCancel);
        EXPECT_EQ(shown.count, 0);
        return;
    }
    EXPECT_EQ(answer, AnswerOk);
    ASSERT_EQ(shown.count, 1);
    EXPECT_EQ(shown.owner, &owner);
    EXPECT_EQ(shown.text, c.wideText);
    EXPECT_EQ(shown.caption, c.wideCaption);
    EXPECT_EQ(shown.style, 0x10);
}

// 0x83 0x65 0x83 0x58 0x83 0x67 is "テスト" in code page 932; 0x81 0x5F is the
// yen-less backslash sign "＼"; 0xB1 is the half-width katakana "ｱ".
INSTANTIATE_TEST_SUITE_P(
    MessageBox, Cp932,
    testing::Values(
        Cp932Case{"ascii", "The numerical value is outside the range.", "RX-77NOVA Firm Update (Release E2)", true,
                  QStringLiteral("The numerical value is outside the range."),
                  QStringLiteral("RX-77NOVA Firm Update (Release E2)")},
        Cp932Case{"double_byte", "\x83\x65\x83\x58\x83\x67", "\xB1", true, QString::fromUtf8("テスト"),
                  QString::fromUtf8("ｱ")},
        Cp932Case{"empty_texts", "", "", true, QString(), QString()},
        Cp932Case{"text_of_999_fits", std::string(999, 'a'), "c", true, QString(999, QLatin1Char('a')),
                  QStringLiteral("c")},
        Cp932Case{"text_of_1000_does_not_fit", std::string(1000, 'a'), "c", false, {}, {}},
        Cp932Case{"text_of_5000_does_not_fit", std::string(5000, 'a'), "c", false, {}, {}},
        Cp932Case{"caption_of_999_fits", "t", std::string(999, 'b'), true, QStringLiteral("t"),
                  QString(999, QLatin1Char('b'))},
        Cp932Case{"caption_of_1000_does_not_fit", "t", std::string(1000, 'b'), false, {}, {}},
        Cp932Case{"double_byte_999_fits", Repeat("\x83\x65", 999), "c", true, QString(999, QChar(0x30C6)),
                  QStringLiteral("c")},
        Cp932Case{"double_byte_1000_does_not_fit", Repeat("\x83\x65", 1000), "c", false, {}, {}},
        Cp932Case{"broken_lead_byte", "ab\x83", "c", false, {}, {}},
        Cp932Case{"broken_caption", "t", "\x81\x7F", false, {}, {}}),
    [](const testing::TestParamInfo<Cp932Case>& info) { return std::string(info.param.name); });

// What the toolkit's box showed, and which button closed it.
struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

// Presses button on the first box that opens, noting what it shows.
void PressWhenShown(SeenBox& seen, QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [&seen, button] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                seen = {box->text(), box->windowTitle(), box->icon(), static_cast<int>(box->buttons().size())};
                box->button(button)->click();
            }
        }
    });
}

TEST(MessageBox, TheToolkitBoxShowsTextCaptionAndErrorIcon)
{
    QWidget owner;
    owner.show();
    SeenBox seen;
    PressWhenShown(seen, QMessageBox::Ok);
    const int answer = MessageBoxCp932(&owner, "The numerical value is outside the range.", "RX-77NOVA",
                                       MsgIconError | MsgOk);
    EXPECT_EQ(answer, AnswerOk);
    EXPECT_EQ(seen.text, QStringLiteral("The numerical value is outside the range."));
    EXPECT_EQ(seen.title, QStringLiteral("RX-77NOVA"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, 1);
}

TEST(MessageBox, TheToolkitBoxWithCancelAnswersCancel)
{
    QWidget owner;
    owner.show();
    SeenBox seen;
    PressWhenShown(seen, QMessageBox::Cancel);
    const int answer = MessageBoxCp932(&owner, "Go on?", "RX-77NOVA", MsgIconQuestion | MsgOkCancel);
    EXPECT_EQ(answer, AnswerCancel);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, 2);
}

} // namespace
