#include "thrProg.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

thrProg::thrProg(std::function<void()> tickOnUi) : tick(std::move(tickOnUi))
{
    setObjectName(QStringLiteral("thrProg"));
}

thrProg::~thrProg()
{
    Stop();
}

void thrProg::Begin()
{
    start(QThread::LowestPriority);
}

void thrProg::Stop()
{
    stopped = true;
    requestInterruption();
    // The worker may be blocked in its hand-over; deliver that hand-over
    // here (it sees stopped and returns) until the worker has finished.
    while (!wait(QDeadlineTimer(5))) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

void thrProg::run()
{
    while (!isInterruptionRequested()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!stopped) {
                    tick();
                }
            },
            Qt::BlockingQueuedConnection);
        msleep(1);
    }
}
