#pragma once
#include <QObject>

class QSocketNotifier;

// Turns the session's end, Ctrl+C and Ctrl+\ (SIGTERM, SIGHUP, SIGINT,
// SIGQUIT), and every other signal whose default would end the process
// (EndingSignals), into a close request on the user-interface thread, so
// that the program then ends the orderly way, or refuses while firmware is
// written.
class TerminationWatch : public QObject {
    Q_OBJECT
public:
    // Holds those signals back in every thread started from now on;
    // call before any thread exists. False when it could not be done.
    static bool BlockSignals();

    explicit TerminationWatch(QObject* parent = nullptr);
    ~TerminationWatch() override;
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

signals:
    void requested();

private:
    void Drain();

    int fd = -1;
    QSocketNotifier* notifier = nullptr;
};
