#include "ConsoleHost.h"

#include <atomic>
#include <csignal>
#include <windows.h>
#include <timeapi.h>

namespace {

// While anything goes on, the rest after a tick is 1 ms at most. The
// system's timer is asked for that resolution while the host lives: its
// default of about 15 ms would make each rest fifteen times as long.
constexpr UINT TimerResolutionMs = 1;

// SetConsoleCtrlHandler's routine takes no context: the request it reports
// and the event that wakes the rest live here, for the process's one host.
std::atomic<int> requested {0};
std::atomic<HANDLE> wakeEvent {nullptr};

// Called on a thread of its own for each console event. The numbers are the
// C runtime's signals for the same events, so that the loop reads them as
// it reads the signals on Linux.
BOOL WINAPI OnConsoleEvent(DWORD type)
{
    int number = 0;
    switch (type) {
    case CTRL_C_EVENT: number = SIGINT; break;
    case CTRL_BREAK_EVENT: number = SIGBREAK; break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: number = SIGTERM; break;
    default: return FALSE;
    }
    requested.store(number);
    const HANDLE event = wakeEvent.load();
    if (event != nullptr) {
        SetEvent(event);
    }
    if (number == SIGTERM) {
        // The system ends the process as soon as this returns: held here,
        // the loop ends it itself, or goes on writing until the system's
        // own time for closing has run out.
        Sleep(INFINITE);
    }
    return TRUE;
}

HANDLE Input()
{
    return GetStdHandle(STD_INPUT_HANDLE);
}

// A console in line mode hands out a line only once Enter was pressed: a
// line is ready when a pressed Enter waits among the console's input events.
bool ConsoleLineReady(HANDLE console)
{
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(console, &count) || count == 0) {
        return false;
    }
    INPUT_RECORD records[128];
    DWORD read = 0;
    if (!PeekConsoleInputA(console, records, count < 128 ? count : 128, &read)) {
        return true;  // let ReadLine find out what is wrong
    }
    for (DWORD i = 0; i < read; ++i) {
        const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        if (records[i].EventType == KEY_EVENT && key.bKeyDown && key.uChar.AsciiChar == '\r') {
            return true;
        }
    }
    return false;
}

// Whether ReadLine would find a line, or the input's end, without waiting.
bool InputReady()
{
    const HANDLE input = Input();
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        return true;  // no input at all: its end
    }
    DWORD mode = 0;
    switch (GetFileType(input)) {
    case FILE_TYPE_CHAR:
        return GetConsoleMode(input, &mode) ? ConsoleLineReady(input) : true;
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        // A pipe whose writer has gone cannot be peeked: its end is there.
        return !PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) || available > 0;
    }
    default:
        return true;  // a file: always readable
    }
}

} // namespace

ConsoleHost::ConsoleHost() : outWriter(1), errWriter(2), outStream(&outWriter), errStream(&errWriter)
{
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    wakeHandle = reinterpret_cast<intptr_t>(event);
    requested.store(0);
    wakeEvent.store(event);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    timeBeginPeriod(TimerResolutionMs);
}

ConsoleHost::~ConsoleHost()
{
    timeEndPeriod(TimerResolutionMs);
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    const HANDLE event = wakeEvent.exchange(nullptr);
    if (event != nullptr) {
        CloseHandle(event);
    }
}

TermHost::Wake ConsoleHost::Watch(bool wantInput, int ms)
{
    const HANDLE event = reinterpret_cast<HANDLE>(wakeHandle);
    const DWORD wait = static_cast<DWORD>(ms > 0 && !(wantInput && LineReady()) ? ms : 0);
    if (event != nullptr) {
        WaitForSingleObject(event, wait);
    } else if (wait > 0) {
        Sleep(wait);
    }
    Wake wake;
    wake.signal = requested.exchange(0);
    if (wantInput && !LineReady() && InputReady()) {
        TakeInput();
    }
    wake.input = wantInput && LineReady();
    return wake;
}

// Byte by byte into pending, so that nothing beyond the line is taken from
// the input that the next question may need; the carriage return of a line
// end is dropped. An overlong line is kept to its first MaxLineBytes bytes,
// which the common ReadLine takes as an empty line.
void ConsoleHost::TakeInput()
{
    const HANDLE input = Input();
    for (;;) {
        char c = 0;
        DWORD n = 0;
        if (!ReadFile(input, &c, 1, &n, nullptr) || n == 0) {
            inputEnded = true;
            return;
        }
        if (c == '\n') {
            if (skipping) {
                skipping = false;
                continue;
            }
            pending.push_back(c);
            return;
        }
        if (c != '\r' && !skipping) {
            pending.push_back(c);
            if (pending.size() >= MaxLineBytes) {
                return;
            }
        }
    }
}

bool ConsoleHost::FinishOutput()
{
    const bool outDone = outWriter.Finish(-1);
    const bool errDone = errWriter.Finish(-1);
    return outDone && errDone && !outWriter.Failed() && !errWriter.Failed();
}

void ConsoleHost::HoldSignalsBack()
{
}

void ConsoleHost::IgnoreBrokenPipe()
{
}

int ConsoleHost::OutputColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return 0;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

int64_t ConsoleHost::NowMs() const
{
    return static_cast<int64_t>(GetTickCount64());
}

const char* ConsoleHost::EndRequestNames()
{
    return "Ctrl+C, Ctrl+Break and closing the console window";
}

bool ConsoleHost::OutputIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}
