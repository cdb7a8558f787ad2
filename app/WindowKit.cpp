#include "WindowKit.h"

#include <QAbstractTextDocumentLayout>
#include <QPushButton>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>

void LoadPictures()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(rx77nova);
        return true;
    }();
    (void)loaded;
}

namespace {

// Faces drawn to the metrics of the old Windows faces, narrower than most
// desktop defaults, so that the texts wrap as they were laid out to
// (Liberation Sans, which the package depends on, first). DejaVu Sans last:
// without it a machine that has none of the others would fall back to a
// serif face.
void PreferNarrowFaces()
{
    const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                            QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans L"),
                            QStringLiteral("FreeSans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), faces);
    QFont::insertSubstitutions(QStringLiteral("Arial"), faces);
}

} // namespace

QFont WindowFont()
{
    PreferNarrowFaces();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QFont ButtonFont()
{
    PreferNarrowFaces();
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

namespace {

QPushButton* EnterTarget(QWidget* window, QPushButton* defaultButton)
{
    auto* focused = qobject_cast<QPushButton*>(window->focusWidget());
    QPushButton* target = focused != nullptr ? focused : defaultButton;
    return target != nullptr && target->isVisible() && target->isEnabled() ? target : nullptr;
}

} // namespace

void PressForEnter(QWidget* window, QPushButton* defaultButton)
{
    if (QPushButton* target = EnterTarget(window, defaultButton)) {
        target->click();
    }
}

void ShowEnterTarget(QWidget* window, QPushButton* defaultButton)
{
    const QPushButton* target = EnterTarget(window, defaultButton);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        // A default button takes Enter itself when it has the focus, which
        // is the same press as the window's.
        button->setAutoDefault(false);
        if (button->isDefault() != (button == target)) {
            button->setDefault(button == target);
        }
    }
}

int TextOverflow(QTextEdit* box, const QList<QWidget*>& obstacles)
{
    QWidget* window = box->window();
    const QWidget* viewport = box->viewport();
    QTextDocument* document = box->document();
    // Laid out to the width it is shown at, also before the window is shown.
    document->setTextWidth(viewport->width());
    const QRect visible(viewport->mapTo(window, QPoint(0, 0)), viewport->size());
    const QRectF last = document->documentLayout()->blockBoundingRect(document->lastBlock());
    const int textBottom = visible.top() + static_cast<int>(std::ceil(last.bottom()));

    int limit = visible.bottom() + 1;
    for (const QWidget* obstacle : obstacles) {
        if (obstacle == nullptr || !obstacle->isVisibleTo(window)) {
            continue;
        }
        const QRect place(obstacle->mapTo(window, QPoint(0, 0)), obstacle->size());
        const bool across = place.left() <= visible.right() && place.right() >= visible.left();
        if (across && place.bottom() >= visible.top()) {
            limit = std::min(limit, place.top());
        }
    }
    return std::max(0, textBottom - limit);
}
