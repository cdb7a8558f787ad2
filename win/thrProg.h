#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

// The tick worker: hands one tick at a time to the window's thread
// (SendMessage, which returns once the tick has run), waits as the tick
// asks and repeats. A tick therefore never runs beside a handler or another
// tick, and it also runs inside a message box's loop.
class thrProg {
public:
    // Each tick is the message tickMessage sent to window; its result is the
    // wait before the next tick in ms (TickRhythm.h). A wait of
    // TickRhythm::BusyMs or less goes to waitForInput, on the worker's
    // thread, so that the port's input ends it early; a longer one is a rest
    // that Hurry ends.
    thrProg(HWND window, UINT tickMessage, std::function<void(int ms)> waitForInput);
    ~thrProg();
    thrProg(const thrProg&) = delete;
    thrProg& operator=(const thrProg&) = delete;

    // Starts at the lowest priority.
    bool Begin();
    // Ends a rest at once (after an update was started); from any thread.
    void Hurry();
    // Ends the worker for good; on the window's thread, never inside a tick.
    // A tick sent meanwhile is taken here and not run: the window's tick
    // handler asks Stopping first.
    void Stop();
    bool Stopping() const { return stopping.load(); }

private:
    static DWORD WINAPI Run(void* self);
    void Loop();
    void Rest(int ms);

    HWND window;
    UINT tickMessage;
    std::function<void(int)> waitForInput;
    HANDLE thread = nullptr;
    HANDLE hurry = nullptr;  // auto-reset event
    std::atomic<bool> stopping {false};
};
