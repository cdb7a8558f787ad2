#include "PortalInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");

} // namespace

PortalInhibitor::PortalInhibitor(QObject* parent) : QObject(parent)
{
}

PortalInhibitor::~PortalInhibitor()
{
    if (IsHeld()) {
        Close(handle);
    }
}

void PortalInhibitor::SetWriting(bool writing)
{
    if (writing == wanted) {
        return;
    }
    wanted = writing;
    if (writing) {
        Take();
    } else if (IsHeld()) {
        Close(handle);
        handle.clear();
    }
}

// Asked without waiting: the tick must not stop for the bus. A handle that
// comes after the writing has ended is closed at once.
void PortalInhibitor::Take()
{
    if (pending != nullptr) {
        return;  // the answer to the earlier request will do
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                       QStringLiteral("Inhibit"));
    const QVariantMap options {{QStringLiteral("reason"), QString::fromLatin1(Reason)}};
    call << QString() << Flags << options;  // no parent window: the program's own
    pending = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &PortalInhibitor::Taken);
}

void PortalInhibitor::Taken(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    pending = nullptr;
    call->deleteLater();
    if (reply.isValid()) {
        const QString request = reply.value().path();
        if (wanted) {
            handle = request;
        } else {
            Close(request);
        }
    }
    emit answered();
}

void PortalInhibitor::Close(const QString& request)
{
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
        Service, request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
}
