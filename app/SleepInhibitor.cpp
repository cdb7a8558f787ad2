#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

SleepInhibitor::SleepInhibitor(QObject* parent) : QObject(parent)
{
}

SleepInhibitor::~SleepInhibitor() = default;

void SleepInhibitor::SetWriting(bool writing)
{
    if (writing == wanted) {
        return;
    }
    wanted = writing;
    if (writing) {
        Take();
    } else {
        lock = QDBusUnixFileDescriptor();  // released
    }
}

// Asked without waiting: the tick must not stop for the bus. An answer that
// comes after the writing has ended is dropped, which releases it.
void SleepInhibitor::Take()
{
    if (pending != nullptr) {
        return;  // the answer to the earlier request will do
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                       QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("Inhibit"));
    call << QString::fromLatin1(What) << QString::fromLatin1(Who) << QString::fromLatin1(Why)
         << QString::fromLatin1(Mode);
    pending = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &SleepInhibitor::Taken);
}

void SleepInhibitor::Taken(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
    pending = nullptr;
    call->deleteLater();
    if (wanted && reply.isValid()) {
        lock = reply.value();
    }
    emit answered();
}
