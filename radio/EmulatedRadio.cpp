#include "EmulatedRadio.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
using Clock = RadioLine::Clock;
// Longest sleep of the worker when nothing is due; Stop and PowerCycle wake it anyway.
constexpr Clock::duration idleWait = std::chrono::milliseconds(50);
// A full pseudo-terminal is tried again this soon.
constexpr Clock::duration retryWait = std::chrono::milliseconds(2);
constexpr size_t chunk = 4096;
}

EmulatedRadio::EmulatedRadio(RadioOptions options) : radio(options)
{
}

EmulatedRadio::~EmulatedRadio()
{
    Stop();
}

bool EmulatedRadio::Start()
{
    std::lock_guard guard(lock);
    if (worker.joinable()) {
        error = "the radio is running already";
        return false;
    }
    if (!radio.SetUp(error) || !line.Open(error))
        return false;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = "no pipe for the worker";
        line.Close();
        return false;
    }
    wakeRead = fds[0];
    wakeWrite = fds[1];
    stopping = false;
    worker = std::thread(&EmulatedRadio::Serve, this);
    return true;
}

std::string EmulatedRadio::DevicePath() const
{
    std::lock_guard guard(lock);
    return line.DevicePath();
}

bool EmulatedRadio::LinkAs(const std::string& dir, int com)
{
    std::lock_guard guard(lock);
    return line.LinkAs(dir, com, error);
}

void EmulatedRadio::PowerCycle()
{
    {
        std::lock_guard guard(lock);
        const bool wasHungUp = radio.HungUp();
        radio.PowerCycle();
        if (wasHungUp) {
            if (!(line.Open(error) && line.Relink(error))) {
                radio.HangUp();
            }
        } else if (line.IsOpen()) {
            tcflush(line.Master(), TCIFLUSH);  // bytes in flight are lost with the power
            line.ClearExclusive();             // as a cable plugged in afresh
        }
    }
    Wake();
}

void EmulatedRadio::Stop()
{
    if (worker.joinable()) {
        stopping = true;
        Wake();
        worker.join();
    }
    std::lock_guard guard(lock);
    line.Unlink();
    line.Close();
    for (int* fd : {&wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

RadioReport EmulatedRadio::Report() const
{
    std::lock_guard guard(lock);
    RadioReport report;
    radio.FillReport(report);
    return report;
}

std::vector<uint8_t> EmulatedRadio::ReadFlash(bool dsp, uint32_t address, uint32_t count) const
{
    std::lock_guard guard(lock);
    return radio.ReadFlash(dsp, address, count);
}

std::string EmulatedRadio::Error() const
{
    std::lock_guard guard(lock);
    return error;
}

void EmulatedRadio::Wake()
{
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(wakeWrite, &byte, 1);
    }
}

void EmulatedRadio::Serve()
{
    // A radio answers at once, however busy the computer is: a late answer
    // makes the program ask again and hear two. Where the system allows it,
    // the serving thread runs ahead of ordinary work; elsewhere it stays as it is.
    [[maybe_unused]] const int ignored = setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    // Its bytes are timed to the microsecond on poll time-outs; the system's
    // usual 50 us of timer slack would make every packet that much late.
    [[maybe_unused]] const int exact = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    bool readable = false;
    while (!stopping) {
        bool wantRead = false;
        int master = -1;
        Clock::duration wait;
        {
            std::lock_guard guard(lock);
            wait = Round(Clock::now(), readable, wantRead);
            master = line.Master();
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {master, static_cast<short>(wantRead ? POLLIN : 0), 0}};
        const nfds_t count = master >= 0 ? 2 : 1;
        const int ready = ppoll(fds, count, &timeout, nullptr);
        readable = ready > 0 && count == 2 && (fds[1].revents & POLLIN) != 0;
        char drain[64];
        while (read(wakeRead, drain, sizeof drain) > 0) {
        }
    }
}

Clock::duration EmulatedRadio::Round(Clock::time_point now, bool readable, bool& wantRead)
{
    wantRead = false;
    if (radio.HungUp() || !line.IsOpen())
        return idleWait;
    bool drained = true;
    if (readable || radio.Paced())
        Receive(now, drained);
    if (radio.HungUp())
        return idleWait;
    Transmit(now);
    Clock::duration wait = idleWait;
    if (const auto due = radio.NextDue())
        wait = std::min(wait, *due > now ? *due - now : retryWait);
    if (!drained)
        wait = std::min(wait, std::max(radio.NextTake() - now, Clock::duration::zero()));
    // Paced input that is waiting is taken on time, not when poll says so.
    wantRead = drained;
    return wait;
}

void EmulatedRadio::Receive(Clock::time_point now, bool& drained)
{
    uint8_t buffer[chunk];
    while (true) {
        size_t room = sizeof buffer;
        if (radio.Paced()) {
            int waiting = 0;
            if (ioctl(line.Master(), FIONREAD, &waiting) != 0 || waiting <= 0) {
                radio.Drained();
                drained = true;
                return;
            }
            if (!radio.MayTake(now)) {
                drained = false;
                return;
            }
            room = 1;
        }
        const ssize_t n = read(line.Master(), buffer, room);
        if (n <= 0) {
            radio.Drained();
            drained = true;
            return;
        }
        long speed = 0;
        const bool lineOk = line.LineIs38400N81(speed);
        if (!radio.Take(buffer, static_cast<size_t>(n), now, lineOk, speed)) {
            HangUp();
            return;
        }
        if (static_cast<size_t>(n) < room) {
            radio.Drained();
            drained = true;
            return;
        }
    }
}

void EmulatedRadio::Transmit(Clock::time_point now)
{
    uint8_t buffer[chunk];
    while (true) {
        const size_t n = radio.CopyDue(now, buffer, sizeof buffer);
        if (n == 0)
            return;
        const ssize_t written = write(line.Master(), buffer, n);
        if (written <= 0)
            return;  // the program is not reading: try again shortly
        radio.Sent(static_cast<size_t>(written));
        if (static_cast<size_t>(written) < n)
            return;
    }
}

void EmulatedRadio::HangUp()
{
    line.Close();
}
