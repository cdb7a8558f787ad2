#pragma once
#include <functional>
#include <string>

class QString;
class QWidget;

// Message-box styles and answers, with the values the program has always used.
constexpr int MsgOk = 0x00;
constexpr int MsgOkCancel = 0x01;
constexpr int MsgIconError = 0x10;
constexpr int MsgIconQuestion = 0x20;
constexpr int MsgIconWarning = 0x30;
constexpr int MsgIconInformation = 0x40;
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;

// Shows a modal box owned by owner and returns the answer that closed it.
using MessageDisplay =
    std::function<int(QWidget* owner, const QString& text, const QString& caption, int style)>;

// The toolkit's message box: the style's icon and buttons, modal to owner.
int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, int style);

// Converts text and caption from code page 932, each with its terminating
// NUL, into buffers of 1000 UTF-16 units and shows them with display.
// Returns AnswerCancel without showing anything when a text cannot be
// converted (also when it does not fit).
int MessageBoxCp932(QWidget* owner, const std::string& text, const std::string& caption, int style,
                    const MessageDisplay& display = ShowMessageBox);
