#pragma once
#include <QThread>

#include <functional>

// The tick worker: hands one tick at a time to the thread that created it
// (the user-interface thread), waits until it has run, sleeps 1 ms and
// repeats. The tick therefore never runs beside a handler or another tick,
// and it also runs inside a message box's loop.
class thrProg : public QThread {
public:
    explicit thrProg(std::function<void()> tick);
    ~thrProg() override;

    // Starts at the lowest priority.
    void Begin();

    // Ends the worker for good; called on the user-interface thread. No tick
    // runs after it returns. A tick already handed over is let through
    // without running, so the worker's hand-over never waits on a thread
    // that waits for the worker.
    void Stop();

protected:
    void run() override;

private:
    std::function<void()> tick;
    bool stopped = false;  // read and written on the user-interface thread only
};
