#include "PortWait.h"

#include <windows.h>

// The receive counts are looked at every millisecond: a count that grew
// ends the wait; bytes that were there already do not.
bool WaitForAnyInput(const std::vector<SerialDriver*>& drivers, int ms)
{
    std::vector<uint32_t> before;
    before.reserve(drivers.size());
    for (SerialDriver* driver : drivers) {
        before.push_back(driver != nullptr ? driver->InQueue() : 0);
    }
    const DWORD start = GetTickCount();
    while (static_cast<int>(GetTickCount() - start) < ms) {
        Sleep(1);
        for (size_t i = 0; i < drivers.size(); ++i) {
            if (drivers[i] != nullptr && drivers[i]->InQueue() > before[i]) {
                return true;
            }
        }
    }
    return false;
}
