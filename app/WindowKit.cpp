#include "WindowKit.h"

#include <QPushButton>
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
// desktop defaults, so that the texts wrap as they were laid out to.
void PreferNarrowFaces()
{
    const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                            QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans L"),
                            QStringLiteral("FreeSans")};
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

void PressForEnter(QWidget* window, QPushButton* defaultButton)
{
    auto* focused = qobject_cast<QPushButton*>(window->focusWidget());
    QPushButton* target = focused != nullptr ? focused : defaultButton;
    if (target != nullptr && target->isVisible() && target->isEnabled()) {
        target->click();
    }
}
