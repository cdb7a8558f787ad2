#pragma once
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

// The tick worker: hands one tick at a time to the thread that created it
// (the user-interface thread), waits until it has run, waits as the tick
// asks and repeats. The tick therefore never runs beside a handler or
// another tick, and it also runs inside a message box's loop.
class thrProg : public QThread {
public:
    // tick runs on the user-interface thread and gives the wait before the
    // next tick in ms (TickRhythm.h). A wait of TickRhythm::BusyMs or less
    // goes to waitForInput, on the worker's thread, so that the port's input
    // ends it early; a longer one is a rest that Hurry ends.
    thrProg(std::function<int()> tick, std::function<void(int ms)> waitForInput);
    ~thrProg() override;

    // Starts at the lowest priority.
    void Begin();

    // Ends a rest at once, so that the next tick comes without delay (after
    // an update was started); from any thread.
    void Hurry();

    // Ends the worker for good; called on the user-interface thread. No tick
    // runs after it returns. A tick already handed over is let through
    // without running, so the worker's hand-over never waits on a thread
    // that waits for the worker. Called from inside a tick (the display lost
    // while the tick painted), it cannot wait for the worker, which waits
    // for that very tick: it only ends the ticks, and the worker stays in
    // its hand-over until the process ends.
    void Stop();

protected:
    void run() override;

private:
    void Rest(int ms);

    std::function<int()> tick;
    std::function<void(int)> waitForInput;
    bool stopped = false;  // read and written on the user-interface thread only
    bool ticking = false;  // a tick runs; the same
    std::mutex restLock;
    std::condition_variable restEnd;
    bool hurried = false;  // under restLock
};
