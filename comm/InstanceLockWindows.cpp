#include "InstanceLock.h"

#include <windows.h>

namespace {

// The system's text for a Win32 error, without its line end.
std::string ErrorText(DWORD error)
{
    char text[512] {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                   text, sizeof text, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

} // namespace

InstanceLock::InstanceLock(const char* name) : InstanceLock(name, std::string())
{
}

// A named mutex of the user's session: whoever made it first holds the
// lock, and the system drops it with the last handle, also when a process
// dies. There is no folder to fall back on.
InstanceLock::InstanceLock(const char* name, const std::string& fallbackBase)
{
    (void)fallbackBase;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        problem = std::string("the mutex \"") + name + "\" cannot be made: " + ErrorText(error);
        return;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        state = State::HeldElsewhere;
        return;
    }
    handle = reinterpret_cast<intptr_t>(mutex);
    state = State::Held;
}

InstanceLock::~InstanceLock()
{
    if (handle != kNone) {
        const HANDLE mutex = reinterpret_cast<HANDLE>(handle);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}
