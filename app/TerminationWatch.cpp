#include "TerminationWatch.h"

#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

bool TerminationWatch::BlockSignals()
{
    const sigset_t set = EndingSignals();
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent)
{
    const sigset_t set = EndingSignals();
    fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) {
        return;
    }
    notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationWatch::Drain);
}

TerminationWatch::~TerminationWatch()
{
    delete notifier;
    if (fd >= 0) {
        close(fd);
    }
}

void TerminationWatch::Drain()
{
    signalfd_siginfo info;
    bool any = false;
    while (read(fd, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
        any = true;
    }
    if (any) {
        emit requested();
    }
}
