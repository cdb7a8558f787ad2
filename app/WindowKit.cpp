#include "WindowKit.h"

#include <QPushButton>
#include <QList>
#include <QStringList>
#include <QWidget>

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
