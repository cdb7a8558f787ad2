#pragma once

#include "clsPacket.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A scripted stand-in for the program on the slave side of the radio's
// pseudo-terminal: it sends what the sequencer would send, built with the
// program's own packet codec, and reads answers with time limits.
class RadioClient {
public:
    explicit RadioClient(const std::string& device);
    ~RadioClient();
    RadioClient(const RadioClient&) = delete;
    RadioClient& operator=(const RadioClient&) = delete;

    bool IsOpen() const { return fd >= 0; }
    void SetSpeed(unsigned speed);  // a termios Bnnnn constant

    void Send(const Bytes& bytes);
    // Up to `count` bytes, waiting at most `ms` for all of them.
    Bytes Receive(size_t count, int ms = 2000);
    // Whatever arrives within `ms`.
    Bytes Drain(int ms);
    // The radio's side closed: poll reports a hang-up or read fails.
    bool HungUp(int ms);

    // The boot hand-shake up to the state where packets are taken: boot
    // request, marker, 00, key, model code, version text, and for the main
    // processor the flash-writing program. Returns every byte received, in
    // order; a step that is not answered as awaited ends it early.
    // With `echo` the writer's bytes come back before the 0xAA.
    Bytes Boot(bool dsp, const Bytes& writer, uint8_t model, bool echo = false);
    void SendData(const Bytes& block, uint32_t address, uint8_t command);
    void SendSum(uint16_t sum);
    void SendEnd();
    // Hand-made bytes, scrambled with the running state.
    void SendFrame(Bytes plain);

    static constexpr uint8_t keyByte = 0x3C;
    clsPacket codec;

private:
    void SendPacket();
    int fd = -1;
};

Bytes Command(uint8_t last);  // 33 90 82 last
Bytes Text(const char* text);
