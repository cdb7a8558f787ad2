#pragma once

#include "EmulatedRadio.h"
#include "RadioClient.h"
#include "TestFirmware.h"

#include <memory>
#include <string>

// A radio with the small test firmware (unless options name other images),
// already serving; a failed start fails the test.
std::unique_ptr<EmulatedRadio> StartRadio(RadioOptions options);

// The 17 identity bytes: 8 + mark + 8.
Bytes Identity(const std::string& cpu, char mark, const std::string& dsp);

// Asks for the identity and returns what came back within the time limit.
Bytes AskIdentity(RadioClient& client);

// After Boot: the blocks of an area that are not blank, each sent with
// command 0 and answered; returns the answers in order.
Bytes WriteBlocks(RadioClient& client, const std::vector<uint8_t>& plain, uint32_t base, uint32_t first,
                  uint32_t last);

// The same with every block, blank or not, as the DSP is written.
Bytes WriteEveryBlock(RadioClient& client, const std::vector<uint8_t>& plain, uint32_t base, uint32_t first,
                      uint32_t last);

// Every byte of the hand-shake up to packets, as the radio answers it.
Bytes CpuBootAnswers(size_t writerLength);
Bytes DspBootAnswers();
