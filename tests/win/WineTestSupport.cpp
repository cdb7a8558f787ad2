#include "WineTestSupport.h"

#include "Platform.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>
#include <windows.h>

int LinkedCom()
{
    const char* text = std::getenv("RX77NOVA_WINE_COM");
    return text != nullptr ? std::atoi(text) : 0;
}

WineLoop::WineLoop() : timers(PlatformClock())
{
}

bool WineLoop::RunUntil(const std::function<bool()>& done, int limitMs)
{
    const uint32_t start = PlatformClock().Now();
    while (!done()) {
        if (PlatformClock().Now() - start >= static_cast<uint32_t>(limitMs)) {
            return done();
        }
        timers.RunDue();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int RunThisProgram(const std::string& arguments)
{
    char path[MAX_PATH + 1] {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) {
        return -1;
    }
    std::string line = "\"" + std::string(path) + "\" " + arguments;
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (CreateProcessA(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) == 0) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process.hProcess, &code) != 0 && code != STILL_ACTIVE;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended ? static_cast<int>(code) : -1;
}
