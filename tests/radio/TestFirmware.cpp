#include "TestFirmware.h"

#include <cstring>

namespace {
constexpr uint32_t cpuBase = 0xE80000;
constexpr size_t block = 256;

// Code-like bytes, a fair share of them 0xFA or more so that escaping is used.
void FillCode(std::vector<uint8_t>& image, size_t offset, size_t count, unsigned seed)
{
    for (size_t i = 0; i < count; ++i)
        image[offset + i] = static_cast<uint8_t>((i * 37 + seed * 101 + (i >> 3)) & 0xFF);
}

std::vector<uint8_t> MakeWriter()
{
    std::vector<uint8_t> writer(836);
    FillCode(writer, 0, writer.size(), 7);
    return writer;
}

std::vector<uint8_t> MakeCpu()
{
    std::vector<uint8_t> image(0x180000, 0xFF);
    FillCode(image, 0x000000, block, 1);
    FillCode(image, 0x000400, block, 2);
    std::memcpy(&image[0x000480], "2.10-300", 8);
    FillCode(image, 0x010000, block, 3);
    FillCode(image, 0x17C000, block, 4);
    std::memcpy(&image[0x17C000], "P-SCAN ON", 10);
    FillCode(image, 0x17FF00, block, 5);
    return image;
}

std::vector<uint8_t> MakeDsp()
{
    std::vector<uint8_t> image(0x040000, 0xFF);
    FillCode(image, 0x000000, block, 6);
    FillCode(image, 0x010000, block, 7);
    const char field[] = "3.45-6789";
    for (size_t i = 0; i < 9; ++i) {
        image[0x01000E + 2 * i] = 0x00;
        image[0x01000E + 2 * i + 1] = static_cast<uint8_t>(field[i]);
    }
    image[0x010020] = image[0x010021] = 0x00;
    FillCode(image, 0x020000, block, 8);
    FillCode(image, 0x03FF00, block, 9);
    return image;
}

uint16_t Sum(const std::vector<uint8_t>& bytes, size_t from, size_t to)
{
    unsigned sum = 0;
    for (size_t i = from; i <= to; ++i)
        sum += bytes[i];
    return static_cast<uint16_t>(sum);
}
}

TestFirmware::TestFirmware()
    : writerPlain(MakeWriter()),
      cpuPlain(MakeCpu()),
      dspPlain(MakeDsp()),
      writer(0x00028C, writerPlain),
      cpu(cpuBase, cpuPlain),
      dsp(0x000000, dspPlain),
      set{writer.Record(), cpu.Record(), dsp.Record()}
{
}

std::vector<uint8_t> TestFirmware::CpuBlock(uint32_t address) const
{
    const auto at = cpuPlain.begin() + (address - cpuBase);
    return std::vector<uint8_t>(at, at + block);
}

std::vector<uint8_t> TestFirmware::DspBlock(uint32_t address) const
{
    const auto at = dspPlain.begin() + address;
    return std::vector<uint8_t>(at, at + block);
}

uint16_t TestFirmware::CpuSum() const
{
    return Sum(cpuPlain, 0, cpuPlain.size() - 1);
}

uint16_t TestFirmware::DspSum() const
{
    return Sum(dspPlain, 0x010000, 0x03FFFF);
}

const TestFirmware& SmallFirmware()
{
    static const TestFirmware firmware;
    return firmware;
}
