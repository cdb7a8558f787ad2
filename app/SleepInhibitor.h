#pragma once
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusPendingCallWatcher;

// Keeps the computer from suspending or shutting down while a processor is
// written: a systemd-logind inhibitor lock ("sleep:shutdown", mode "block")
// on the system bus, held exactly while SetWriting was last given true.
// Without a system bus or logind the program goes on without one.
class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit SleepInhibitor(QObject* parent = nullptr);
    ~SleepInhibitor() override;

    // Called on every tick; only a change does anything.
    void SetWriting(bool writing);
    // The lock is held (logind answered and the writing goes on).
    bool IsHeld() const { return lock.isValid(); }

    static constexpr const char* What = "sleep:shutdown";
    static constexpr const char* Who = "rx77nova-update";
    static constexpr const char* Why = "Writing the radio's firmware";
    static constexpr const char* Mode = "block";

signals:
    // logind has answered a request (held or not).
    void answered();

private:
    void Take();
    void Taken(QDBusPendingCallWatcher* call);

    bool wanted = false;
    QDBusPendingCallWatcher* pending = nullptr;
    QDBusUnixFileDescriptor lock;  // closing the last copy releases it
};
