#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The radio's receiving end of the packet stream: undoes the running XOR
// byte by byte, then checks the frame (FE FE, command, fields, FD) and
// removes the escapes (FF n stands for F0 + n, n from 0x0A to 0x0F).
class FrameDecoder {
public:
    enum class Result { More, Packet, Error };

    // Seeds the descrambler and starts a new frame.
    void SetSeed(uint8_t chain, uint8_t counter);
    // One byte through the descrambler alone (the flash-writing program).
    uint8_t Descramble(uint8_t scrambled);
    // One byte of a packet. After Packet, Command() and Fields() hold it;
    // after Error, ErrorText() says what was wrong and a new frame starts.
    Result Feed(uint8_t scrambled);

    uint8_t Command() const { return command; }
    const std::vector<uint8_t>& Fields() const { return fields; }
    const std::string& ErrorText() const { return error; }

private:
    enum class Stage { Start1, Start2, Command, Fields, Escaped };
    Result Fail(const char* what, uint8_t byte);

    uint8_t chain = 0;
    uint8_t counter = 0;
    Stage stage = Stage::Start1;
    uint8_t command = 0;
    std::vector<uint8_t> fields;
    std::string error;
};
