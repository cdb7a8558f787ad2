#include "RadioClient.h"

#include "ScrambleKey.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}
}

Bytes Command(uint8_t last)
{
    return {0x33, 0x90, 0x82, last};
}

Bytes Text(const char* text)
{
    return Bytes(text, text + std::strlen(text));
}

RadioClient::RadioClient(const std::string& device)
{
    fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    SetSpeed(B38400);
}

RadioClient::~RadioClient()
{
    if (fd >= 0)
        close(fd);
}

void RadioClient::SetSpeed(unsigned speed)
{
    termios t{};
    if (fd < 0 || tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
}

void RadioClient::Send(const Bytes& bytes)
{
    size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (fd >= 0 && done < bytes.size() && Clock::now() < deadline) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, MsLeft(deadline));
    }
}

Bytes RadioClient::Receive(size_t count, int ms)
{
    Bytes got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (fd >= 0 && got.size() < count) {
        uint8_t buffer[4096];
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) {
            got.insert(got.end(), buffer, buffer + n);
            continue;
        }
        const int left = MsLeft(deadline);
        pollfd p{fd, POLLIN, 0};
        if (left == 0 || poll(&p, 1, left) <= 0 || (p.revents & POLLIN) == 0)
            break;
    }
    return got;
}

Bytes RadioClient::Drain(int ms)
{
    return Receive(SIZE_MAX, ms);
}

bool RadioClient::HungUp(int ms)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return false;
    if ((p.revents & POLLHUP) != 0)
        return true;
    uint8_t byte;
    return read(fd, &byte, 1) < 0 && errno == EIO;
}

Bytes RadioClient::Boot(bool dsp, const Bytes& writer, uint8_t model, bool echo)
{
    Bytes heard;
    const auto step = [&](const Bytes& send, size_t answers, const Bytes& awaited) {
        Send(send);
        const Bytes got = Receive(answers);
        heard.insert(heard.end(), got.begin(), got.end());
        return got == awaited;
    };
    const uint8_t accepted = 0xAA;
    if (!step(Command(dsp ? 0x81 : 0x80), 1, {accepted})
        || !step(Text(dsp ? "VEXA5127D" : "VEXA5127M"), 1, {0x55}) || !step({0x00}, 1, {0x00})
        || !step({keyByte}, 1, {static_cast<uint8_t>(keyByte ^ 0xFF)}))
        return heard;
    codec.SetSeed(static_cast<uint8_t>(model ^ keyByte), counterSeed);
    if (!step({model}, 1, {accepted}))
        return heard;
    if (dsp) {
        step(Text("0.00-000"), 2, {accepted, accepted});
        return heard;
    }
    if (!step(Text("2.10-300"), 1, {accepted}))
        return heard;
    const auto size = static_cast<uint16_t>(writer.size());
    const Bytes sizeBytes = {static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size & 0xFF)};
    if (!step({sizeBytes[0]}, 1, {sizeBytes[0]}) || !step({sizeBytes[1]}, 1, {sizeBytes[1]}))
        return heard;
    Bytes scrambled = writer;
    for (auto& b : scrambled)
        codec.Scramble(&b, 1);
    Send(scrambled);
    const Bytes got = Receive(echo ? writer.size() + 1 : 1);
    heard.insert(heard.end(), got.begin(), got.end());
    return heard;
}

void RadioClient::SendPacket()
{
    Bytes wire(static_cast<size_t>(codec.GetLength()));
    codec.CopyTo(wire.data());
    Send(wire);
}

void RadioClient::SendData(const Bytes& block, uint32_t address, uint8_t command)
{
    codec.MakeData(block.data(), address, static_cast<int32_t>(block.size()), command);
    SendPacket();
}

void RadioClient::SendSum(uint16_t sum)
{
    codec.MakeSum(sum);
    SendPacket();
}

void RadioClient::SendEnd()
{
    codec.MakeEnd();
    SendPacket();
}

void RadioClient::SendFrame(Bytes plain)
{
    codec.Scramble(plain.data(), static_cast<int32_t>(plain.size()));
    Send(plain);
}
