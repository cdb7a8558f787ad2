#include "RadioSupport.h"

#include <gtest/gtest.h>

std::unique_ptr<EmulatedRadio> StartRadio(RadioOptions options)
{
    if (options.images == nullptr)
        options.images = &SmallFirmware().set;
    auto radio = std::make_unique<EmulatedRadio>(options);
    EXPECT_TRUE(radio->Start()) << radio->Error();
    return radio;
}

Bytes Identity(const std::string& cpu, char mark, const std::string& dsp)
{
    Bytes bytes(cpu.begin(), cpu.end());
    bytes.push_back(static_cast<uint8_t>(mark));
    bytes.insert(bytes.end(), dsp.begin(), dsp.end());
    return bytes;
}

Bytes AskIdentity(RadioClient& client)
{
    client.Send(Command(0x82));
    return client.Receive(17);
}

namespace {
Bytes SendBlocks(RadioClient& client, const std::vector<uint8_t>& plain, uint32_t base, uint32_t first,
                 uint32_t last, bool skipBlank)
{
    Bytes answers;
    for (uint32_t address = first; address < last; address += 256) {
        const auto at = plain.begin() + (address - base);
        const Bytes block(at, at + 256);
        if (skipBlank && block == Bytes(256, 0xFF))
            continue;
        client.SendData(block, address, 0x00);
        const Bytes got = client.Receive(1);
        answers.insert(answers.end(), got.begin(), got.end());
    }
    return answers;
}
} // namespace

Bytes WriteBlocks(RadioClient& client, const std::vector<uint8_t>& plain, uint32_t base, uint32_t first,
                  uint32_t last)
{
    return SendBlocks(client, plain, base, first, last, true);
}

Bytes WriteEveryBlock(RadioClient& client, const std::vector<uint8_t>& plain, uint32_t base, uint32_t first,
                      uint32_t last)
{
    return SendBlocks(client, plain, base, first, last, false);
}

Bytes CpuBootAnswers(size_t writerLength)
{
    const auto key = static_cast<uint8_t>(RadioClient::keyByte ^ 0xFF);
    return {0xAA, 0x55, 0x00, key, 0xAA, 0xAA, static_cast<uint8_t>(writerLength >> 8),
            static_cast<uint8_t>(writerLength & 0xFF), 0xAA};
}

Bytes DspBootAnswers()
{
    const auto key = static_cast<uint8_t>(RadioClient::keyByte ^ 0xFF);
    return {0xAA, 0x55, 0x00, key, 0xAA, 0xAA, 0xAA};
}
