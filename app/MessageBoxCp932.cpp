#include "MessageBoxCp932.h"

#include <QMessageBox>
#include <QString>

#include <array>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace {

constexpr std::size_t WideBufferUnits = 1000;

// The text with its NUL as UTF-16, or nothing when it does not convert or
// does not fit into the buffer.
std::optional<QString> FromCp932(const std::string& text)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::array<char16_t, WideBufferUnits> wide{};
    char* in = const_cast<char*>(text.c_str());
    std::size_t inLeft = std::strlen(text.c_str()) + 1;  // up to and with the NUL
    char* out = reinterpret_cast<char*>(wide.data());
    std::size_t outLeft = sizeof(wide);
    const std::size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    const std::size_t units = (sizeof(wide) - outLeft) / sizeof(char16_t);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(units - 1));
}

QMessageBox::Icon IconOf(int style)
{
    switch (style & 0xF0) {
    case MsgIconError:
        return QMessageBox::Critical;
    case MsgIconQuestion:
        return QMessageBox::Question;
    case MsgIconWarning:
        return QMessageBox::Warning;
    case MsgIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, int style)
{
    const bool withCancel = (style & 0x0F) == MsgOkCancel;
    QMessageBox box(IconOf(style), caption, text,
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
    box.exec();
    // As the platform's box: a box with OK alone answers OK however it closes.
    const bool cancelled = withCancel && box.clickedButton() == box.button(QMessageBox::Cancel);
    return cancelled ? AnswerCancel : AnswerOk;
}

int MessageBoxCp932(QWidget* owner, const std::string& text, const std::string& caption, int style,
                    const MessageDisplay& display)
{
    const std::optional<QString> wideText = FromCp932(text);
    if (!wideText) {
        return AnswerCancel;
    }
    const std::optional<QString> wideCaption = FromCp932(caption);
    if (!wideCaption) {
        return AnswerCancel;
    }
    return display(owner, *wideText, *wideCaption, style);
}
