#include "thrProg.h"

#include "TickRhythm.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

#include <chrono>

thrProg::thrProg(std::function<int()> tickOnUi, std::function<void(int)> waitOnWorker)
    : tick(std::move(tickOnUi)), waitForInput(std::move(waitOnWorker))
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

void thrProg::Hurry()
{
    {
        const std::lock_guard guard(restLock);
        hurried = true;
    }
    restEnd.notify_one();
}

void thrProg::Stop()
{
    stopped = true;
    requestInterruption();
    Hurry();
    if (ticking) {
        return;
    }
    // The worker may be blocked in its hand-over; deliver that hand-over
    // here (it sees stopped and returns) until the worker has finished.
    while (!wait(QDeadlineTimer(5))) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

void thrProg::Rest(int ms)
{
    if (ms <= 0) {
        return;
    }
    if (ms <= TickRhythm::BusyMs) {
        waitForInput(ms);
        return;
    }
    std::unique_lock guard(restLock);
    restEnd.wait_for(guard, std::chrono::milliseconds(ms), [this] { return hurried; });
}

void thrProg::run()
{
    while (!isInterruptionRequested()) {
        // A Hurry from now on is seen by the tick already, or ends the rest after it.
        {
            const std::lock_guard guard(restLock);
            hurried = false;
        }
        int restMs = 0;
        QMetaObject::invokeMethod(
            this,
            [this, &restMs] {
                if (!stopped) {
                    ticking = true;
                    restMs = tick();
                    ticking = false;
                }
            },
            Qt::BlockingQueuedConnection);
        Rest(restMs);
    }
}
