#include "thrProg.h"

#include "TickRhythm.h"

thrProg::thrProg(HWND target, UINT message, std::function<void(int)> waitOnWorker)
    : window(target), tickMessage(message), waitForInput(std::move(waitOnWorker))
{
    hurry = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

thrProg::~thrProg()
{
    Stop();
    if (hurry != nullptr) {
        CloseHandle(hurry);
    }
}

bool thrProg::Begin()
{
    thread = CreateThread(nullptr, 0, &thrProg::Run, this, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        return false;
    }
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    ResumeThread(thread);
    return true;
}

void thrProg::Hurry()
{
    SetEvent(hurry);
}

void thrProg::Stop()
{
    stopping = true;
    Hurry();
    if (thread == nullptr) {
        return;
    }
    // The worker may be inside its SendMessage: take sent messages here
    // until it has ended, so that neither waits for the other.
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1) {
            break;
        }
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread);
    thread = nullptr;
}

DWORD WINAPI thrProg::Run(void* self)
{
    static_cast<thrProg*>(self)->Loop();
    return 0;
}

void thrProg::Loop()
{
    while (!stopping) {
        const LRESULT restMs = SendMessageW(window, tickMessage, 0, 0);
        if (stopping) {
            break;
        }
        Rest(static_cast<int>(restMs));
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
    WaitForSingleObject(hurry, static_cast<DWORD>(ms));
}
