#include "EmulatedRadio.h"

#include "FirmImages.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
using Clock = SendQueue::Clock;
// 38,400 bit/s with a start and a stop bit: ten bits a byte.
constexpr Clock::duration pacedByteTime = std::chrono::nanoseconds(260417);
// Longest sleep of the worker when nothing is due; Stop and PowerCycle wake it anyway.
constexpr Clock::duration idleWait = std::chrono::milliseconds(50);
// A full pseudo-terminal is tried again this soon.
constexpr Clock::duration retryWait = std::chrono::milliseconds(2);
constexpr size_t chunk = 4096;

Clock::duration ByteTime(const RadioOptions& options)
{
    return options.paced ? pacedByteTime : Clock::duration::zero();
}
}

EmulatedRadio::EmulatedRadio(RadioOptions options)
    : options(std::move(options)), sendQueue(ByteTime(this->options)), receivePacer(ByteTime(this->options))
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
    const FirmwareSet& images = options.images != nullptr ? *options.images : BuiltInFirmware();
    if (!loader.SetUp(options, images, error) || !line.Open(error))
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
        loader.PowerCycle();
        sendQueue.Clear();
        receivePacer = ReceivePacer(ByteTime(options));
        if (hungUp) {
            hungUp = !(line.Open(error) && line.Relink(error));
        } else if (line.IsOpen()) {
            tcflush(line.Master(), TCIFLUSH);  // bytes in flight are lost with the power
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
    loader.FillReport(report);
    report.bytesReceived = bytesReceived;
    report.bytesSent = bytesSent;
    report.hungUp = hungUp;
    return report;
}

std::vector<uint8_t> EmulatedRadio::ReadFlash(bool dsp, uint32_t address, uint32_t count) const
{
    std::lock_guard guard(lock);
    std::vector<uint8_t> bytes(count);
    loader.Flash(dsp).Read(address, count, bytes.data());
    return bytes;
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
    if (hungUp || !line.IsOpen())
        return idleWait;
    bool drained = true;
    if (readable || receivePacer.Paced())
        Receive(now, drained);
    if (hungUp)
        return idleWait;
    Transmit(now);
    Clock::duration wait = idleWait;
    if (const auto due = sendQueue.NextDue())
        wait = std::min(wait, *due > now ? *due - now : retryWait);
    if (!drained)
        wait = std::min(wait, std::max(receivePacer.NextAllowed() - now, Clock::duration::zero()));
    // Paced input that is waiting is taken on time, not when poll says so.
    wantRead = drained;
    return wait;
}

void EmulatedRadio::Receive(Clock::time_point now, bool& drained)
{
    uint8_t buffer[chunk];
    std::vector<Emission> answers;
    while (true) {
        size_t room = sizeof buffer;
        if (receivePacer.Paced()) {
            int waiting = 0;
            if (ioctl(line.Master(), FIONREAD, &waiting) != 0 || waiting <= 0) {
                receivePacer.Drained();
                drained = true;
                return;
            }
            if (!receivePacer.MayTake(now)) {
                drained = false;
                return;
            }
            room = 1;
        }
        const ssize_t n = read(line.Master(), buffer, room);
        if (n <= 0) {
            receivePacer.Drained();
            drained = true;
            return;
        }
        if (receivePacer.Paced())
            receivePacer.Took();
        bytesReceived += static_cast<uint64_t>(n);
        long speed = 0;
        if (options.checkLineSettings && !line.LineIs38400N81(speed)) {
            // At another speed the radio would only see garbage.
            if (!lineWarned)
                loader.RecordError("bytes arrived while the program's side was set to " + std::to_string(speed)
                                   + " bit/s, not 38400 8N1; they were dropped");
            lineWarned = true;
            continue;
        }
        lineWarned = false;
        for (ssize_t i = 0; i < n; ++i) {
            answers.clear();
            loader.Feed(buffer[i], answers);
            for (const auto& answer : answers) {
                if (answer.hangUp) {
                    HangUp();
                    return;
                }
                sendQueue.Push(answer.bytes, now + std::chrono::milliseconds(answer.delayMs));
            }
        }
        if (static_cast<size_t>(n) < room) {
            receivePacer.Drained();
            drained = true;
            return;
        }
    }
}

void EmulatedRadio::Transmit(Clock::time_point now)
{
    uint8_t buffer[chunk];
    while (true) {
        const size_t n = sendQueue.CopyDue(now, buffer, sizeof buffer);
        if (n == 0)
            return;
        const ssize_t written = write(line.Master(), buffer, n);
        if (written <= 0)
            return;  // the program is not reading: try again shortly
        bytesSent += static_cast<uint64_t>(written);
        sendQueue.Drop(static_cast<size_t>(written));
        if (static_cast<size_t>(written) < n)
            return;
    }
}

void EmulatedRadio::HangUp()
{
    line.Close();
    sendQueue.Clear();
    hungUp = true;
}
