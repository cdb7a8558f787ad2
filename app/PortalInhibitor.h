#pragma once
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Asks the desktop session not to log out, suspend or go idle while a
// processor is written: the XDG desktop portal's Inhibit on the session
// bus, held exactly while SetWriting was last given true; the request
// handle it answers with is closed when the writing ends. Without a
// session bus or a portal the program goes on without it.
class PortalInhibitor : public QObject {
    Q_OBJECT
public:
    explicit PortalInhibitor(QObject* parent = nullptr);
    ~PortalInhibitor() override;  // a held request is closed

    // Called on every tick; only a change does anything.
    void SetWriting(bool writing);
    // The portal answered with a request handle and the writing goes on.
    bool IsHeld() const { return !handle.isEmpty(); }

    static constexpr unsigned Logout = 1;
    static constexpr unsigned Suspend = 4;
    static constexpr unsigned Idle = 8;
    static constexpr unsigned Flags = Logout | Suspend | Idle;
    static constexpr const char* Reason = "Writing the radio's firmware";

signals:
    // The portal has answered a request (held or not).
    void answered();

private:
    void Take();
    void Taken(QDBusPendingCallWatcher* call);
    static void Close(const QString& request);

    bool wanted = false;
    QDBusPendingCallWatcher* pending = nullptr;
    QString handle;  // the request's object path while held
};
