#include "QtTaskTimers.h"

#include <QTimer>

namespace {

class QtTaskTimer final : public TaskTimer {
public:
    explicit QtTaskTimer(std::function<void()> onTimeout) : timer(new QTimer), timeout(std::move(onTimeout))
    {
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this] { Fire(); });
    }

    ~QtTaskTimer() override
    {
        if (destroyedWhileFiring != nullptr) {
            // Destroyed from inside its own timeout: the QTimer is still
            // emitting, so it goes once the loop is back.
            *destroyedWhileFiring = true;
            timer->stop();
            QObject::disconnect(timer, nullptr, nullptr, nullptr);
            timer->deleteLater();
        } else {
            delete timer;
        }
    }

    QtTaskTimer(const QtTaskTimer&) = delete;
    QtTaskTimer& operator=(const QtTaskTimer&) = delete;

    void Start(int ms) override { timer->start(ms); }
    void Stop() override { timer->stop(); }
    bool IsActive() const override { return timer->isActive(); }

private:
    void Fire()
    {
        bool destroyed = false;
        bool* const outer = destroyedWhileFiring;
        destroyedWhileFiring = &destroyed;
        // A copy: the timeout may destroy this object and its callable.
        const std::function<void()> call = timeout;
        call();
        if (!destroyed) {
            destroyedWhileFiring = outer;
        } else if (outer != nullptr) {
            *outer = true;
        }
    }

    QTimer* timer;                          // owned; see the destructor
    std::function<void()> timeout;
    bool* destroyedWhileFiring = nullptr;   // set while a timeout runs
};

} // namespace

std::unique_ptr<TaskTimer> QtTaskTimers::Make(std::function<void()> timeout)
{
    return std::make_unique<QtTaskTimer>(std::move(timeout));
}

TaskTimerSource& QtTimers()
{
    static QtTaskTimers source;
    return source;
}
