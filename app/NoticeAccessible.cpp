#include "NoticeAccessible.h"

#include "NoticeBox.h"

#include <algorithm>

NoticeAccessible::NoticeAccessible(NoticeBox* box) : QAccessibleWidget(box, QAccessible::StaticText)
{
}

const NoticeBox* NoticeAccessible::box() const
{
    return static_cast<const NoticeBox*>(widget());
}

QAccessible::Role NoticeAccessible::role() const
{
    return box()->IsAlert() ? QAccessible::AlertMessage : QAccessible::StaticText;
}

QString NoticeAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name && box()->accessibleName().isEmpty()) {
        return box()->SpokenText();
    }
    return QAccessibleWidget::text(kind);
}

QAccessible::State NoticeAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.disabled = false;
    state.focusable = false;
    state.readOnly = true;
    state.multiLine = true;
    return state;
}

void* NoticeAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void NoticeAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int NoticeAccessible::selectionCount() const
{
    return 0;
}

void NoticeAccessible::addSelection(int, int) {}

void NoticeAccessible::removeSelection(int) {}

void NoticeAccessible::setSelection(int, int, int) {}

int NoticeAccessible::cursorPosition() const
{
    return 0;
}

void NoticeAccessible::setCursorPosition(int) {}

QString NoticeAccessible::text(int startOffset, int endOffset) const
{
    const QString all = box()->SpokenText();
    const int size = static_cast<int>(all.size());
    // -1 as the end means the end of the text, as readers ask for it.
    const int end = endOffset < 0 ? size : std::min(endOffset, size);
    const int start = std::clamp(startOffset, 0, end);
    return all.mid(start, end - start);
}

int NoticeAccessible::characterCount() const
{
    return static_cast<int>(box()->SpokenText().size());
}

QRect NoticeAccessible::characterRect(int) const
{
    return {};
}

int NoticeAccessible::offsetAtPoint(const QPoint&) const
{
    return -1;
}

void NoticeAccessible::scrollToSubstring(int, int) {}

QString NoticeAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = std::max(0, offset);
    *endOffset = characterCount();
    return {};
}
