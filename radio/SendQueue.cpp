#include "SendQueue.h"

#include <algorithm>

void SendQueue::Push(const std::vector<uint8_t>& bytes, Clock::time_point earliest)
{
    for (const uint8_t b : bytes) {
        const Clock::time_point due = std::max(earliest, lineFree) + byteTime;
        queue.push_back(Item{due, b});
        lineFree = due;
    }
}

size_t SendQueue::CopyDue(Clock::time_point now, uint8_t* out, size_t room) const
{
    size_t n = 0;
    while (n < room && n < queue.size() && queue[n].due <= now) {
        out[n] = queue[n].byte;
        ++n;
    }
    return n;
}

void SendQueue::Drop(size_t count)
{
    queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(std::min(count, queue.size())));
}

std::optional<SendQueue::Clock::time_point> SendQueue::NextDue() const
{
    if (queue.empty())
        return std::nullopt;
    return queue.front().due;
}

void SendQueue::Clear()
{
    queue.clear();
    lineFree = Clock::time_point{};
}
