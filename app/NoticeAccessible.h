#pragma once
#include <QAccessibleWidget>

class NoticeBox;

// A notice box as assistive technology sees it: static text whose name and
// text are the scene's lines, an alert while the scene reports a failure.
// The box is disabled only so that it takes no clicks or selection; to a
// reader it is present and readable, never "unavailable".
class NoticeAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NoticeAccessible(NoticeBox* box);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // The text, read-only: no caret, no selection.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    const NoticeBox* box() const;
};
