#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The radio's transmit line: bytes wait here until they are due. Paced, a
// byte is due one byte time after the line is free, as on a real serial
// line; bytes never overtake each other, so a late answer holds back the
// ones behind it.
class SendQueue {
public:
    using Clock = std::chrono::steady_clock;

    explicit SendQueue(Clock::duration byteTime) : byteTime(byteTime) {}

    void Push(const std::vector<uint8_t>& bytes, Clock::time_point earliest);
    // Copies up to `room` bytes that are due at `now`; returns how many.
    size_t CopyDue(Clock::time_point now, uint8_t* out, size_t room) const;
    void Drop(size_t count);
    std::optional<Clock::time_point> NextDue() const;
    void Clear();
    bool Empty() const { return queue.empty(); }

private:
    struct Item {
        Clock::time_point due;
        uint8_t byte;
    };
    Clock::duration byteTime;
    Clock::time_point lineFree{};
    std::deque<Item> queue;
};
