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
InstanceLock::InstanceLock(const char* lockName, const std::string& fallbackBase) : name(lockName)
{
    (void)fallbackBase;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, lockName);
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        problem = std::string("the mutex \"") + lockName + "\" cannot be made: " + ErrorText(error);
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
    if (formHandle != kNone) {
        CloseHandle(reinterpret_cast<HANDLE>(formHandle));
    }
}

namespace {

// The holder's form lives in a small named memory section of the session,
// named after the mutex; the system drops it with the holder.
constexpr DWORD FormSize = 16;
constexpr char WindowMark = 'W';
constexpr char TerminalMark = 'T';

std::string FormSectionName(const std::string& lockName)
{
    return lockName + " Form";
}

} // namespace

bool InstanceLock::SetHolderForm(Form form)
{
    if (handle == kNone || form == Form::Unknown) {
        return false;
    }
    if (formHandle == kNone) {
        const HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, FormSize,
                                                  FormSectionName(name).c_str());
        if (section == nullptr) {
            return false;
        }
        formHandle = reinterpret_cast<intptr_t>(section);
    }
    void* view = MapViewOfFile(reinterpret_cast<HANDLE>(formHandle), FILE_MAP_WRITE, 0, 0, FormSize);
    if (view == nullptr) {
        return false;
    }
    static_cast<volatile char*>(view)[0] = form == Form::Window ? WindowMark : TerminalMark;
    UnmapViewOfFile(view);
    return true;
}

InstanceLock::Form InstanceLock::HolderForm() const
{
    const HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, FormSectionName(name).c_str());
    if (section == nullptr) {
        return Form::Unknown;
    }
    char mark = 0;
    if (const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, FormSize)) {
        mark = static_cast<const volatile char*>(view)[0];
        UnmapViewOfFile(view);
    }
    CloseHandle(section);
    return mark == WindowMark ? Form::Window : mark == TerminalMark ? Form::Terminal : Form::Unknown;
}
