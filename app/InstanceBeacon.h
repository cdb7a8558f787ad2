#pragma once
#include <QObject>

#include <string>

class QLocalServer;

// How a second copy reaches the running one: a local socket in the
// abstract namespace, named after the user and the single-instance lock's
// file, so that only copies sharing that lock meet. A caller of another
// user is ignored.
class InstanceBeacon : public QObject {
    Q_OBJECT
public:
    explicit InstanceBeacon(const std::string& lockPath, QObject* parent = nullptr);
    ~InstanceBeacon() override;

    // The running copy: starts to answer callers; false when it cannot.
    bool Listen();
    // A second copy: asks the running one to bring its window to the front;
    // true once it has answered that it did, within timeoutMs.
    bool CallRunning(int timeoutMs) const;

signals:
    // A second copy asks for the window to be brought to the front.
    void frontRequested();

private:
    void Answer();

    QString name;
    QLocalServer* server = nullptr;
};
