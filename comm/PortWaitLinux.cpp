#include "PortWait.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <poll.h>

namespace {

int64_t NowNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void SleepUntil(int64_t deadlineNs)
{
    if (NowNs() >= deadlineNs) {
        return;
    }
    const timespec until {static_cast<time_t>(deadlineNs / 1000000000), static_cast<long>(deadlineNs % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

} // namespace

bool WaitForAnyInput(const std::vector<SerialDriver*>& drivers, int ms)
{
    const int64_t deadline = NowNs() + static_cast<int64_t>(std::max(ms, 0)) * 1000000;
    std::vector<pollfd> watched;
    std::vector<SerialDriver*> owners;
    for (SerialDriver* driver : drivers) {
        const int fd = driver != nullptr ? driver->InputDescriptor() : -1;
        if (fd >= 0 && driver->InQueue() == 0) {
            watched.push_back({fd, POLLIN, 0});
            owners.push_back(driver);
        }
    }
    while (!watched.empty()) {
        const int64_t leftNs = deadline - NowNs();
        if (leftNs <= 0) {
            return false;
        }
        const int timeout = static_cast<int>(std::min<int64_t>((leftNs + 999999) / 1000000, INT_MAX));
        const int ready = poll(watched.data(), watched.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        // A hung-up line is ready at once and for ever with nothing to read:
        // it leaves the wait, and the others are waited for still.
        for (size_t i = watched.size(); i-- > 0;) {
            if (watched[i].revents == 0) {
                continue;
            }
            if (owners[i]->InQueue() > 0) {
                return true;
            }
            watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
            owners.erase(owners.begin() + static_cast<std::ptrdiff_t>(i));
        }
        for (pollfd& entry : watched) {
            entry.revents = 0;
        }
    }
    SleepUntil(deadline);
    return false;
}
