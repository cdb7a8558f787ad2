#include "NoticeBox.h"

#include "Accessibility.h"
#include "NoticeRender.h"
#include "SceneSpeech.h"

#include <QAccessible>
#include <QStringList>

NoticeBox::NoticeBox(QWidget* parent) : QTextEdit(parent)
{
    InstallAccessibility();
    RenewAccessible(this);
}

// The blanks that centre a line and the blank lines between paragraphs only
// place the words on the card; a reader hears the words, a line each.
QString NoticeBox::SpokenText() const
{
    QStringList spoken;
    for (const QString& line : toPlainText().remove(WordJoiner).split(QLatin1Char('\n'))) {
        const QString words = line.trimmed();
        if (!words.isEmpty()) {
            spoken.append(words);
        }
    }
    return spoken.join(QLatin1Char('\n'));
}

void NoticeBox::Announce(Scene scene)
{
    const SceneSpeechRow* row = FindSceneSpeech(scene);
    const QString previous = announced;
    announced = SpokenText();
    alert = row != nullptr && row->alert;
    if (!QAccessible::isActive()) {
        return;
    }
    // The whole text is replaced: a reader that follows the box hears the
    // new lines, one that reads names hears the new name.
    QAccessibleTextUpdateEvent replaced(this, 0, previous, announced);
    QAccessible::updateAccessibility(&replaced);
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    if (alert) {
        // As a live region that appears: readers speak an alert that shows.
        QAccessibleEvent shown(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
        QAccessibleEvent alerted(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alerted);
    }
}
