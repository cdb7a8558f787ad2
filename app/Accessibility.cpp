#include "Accessibility.h"

#include "NoticeAccessible.h"
#include "NoticeBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object)
{
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String("NoticeBox")) {
        return new NoticeAccessible(static_cast<NoticeBox*>(object));
    }
    if (className == QLatin1String("TForm1") || className == QLatin1String("TFormOpening")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)installed;
}

void RenewAccessible(QWidget* widget)
{
    if (!QAccessible::isActive()) {
        return;  // nothing is made before a reader asks
    }
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}
