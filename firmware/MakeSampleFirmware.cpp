// Writes plain sample firmware images that are shaped like the radio's real
// firmware: runs of code-like bytes between long stretches of erased flash
// (0xFF), with the fields the updater reads where the processor profiles
// (update/ProcessorProfile.h) say. The output depends on nothing but this
// file and those rows, so every build embeds the same images.
//
// Sample versions: main processor "1.05-120"; DSP "1.02-0035", which a radio
// reports as the 8 characters c0 "1020035" (c0 is not compared).
//
// Usage: rx_makesample <output directory>
// Writes flashwriter.bin, cpu.bin and dsp.bin there.

#include "ProcessorProfile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t blockSize = cpuProfile.blockSize;
constexpr uint8_t erased = 0xFF;

constexpr char cpuVersion[] = "1.05-120";
static_assert(cpuProfile.versionForm == VersionForm::Plain && cpuProfile.versionLength == 8);

// As 16-bit big-endian characters, then a 16-bit zero terminator.
constexpr char dspVersion[] = "1.02-0035";
static_assert(dspProfile.versionForm == VersionForm::WideDotted && dspProfile.versionCompared == 18);
static_assert(dspProfile.blockSize == blockSize);

// Small deterministic generator (xorshift32).
class Random {
public:
    explicit Random(uint32_t seed) : state(seed) {}
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    uint32_t Between(uint32_t low, uint32_t high) { return low + Below(high - low + 1); }

private:
    uint32_t state;
};

// Fills bytes [from, to) with something that looks like machine code:
// opcodes and operands, small constants, 24-bit pointers into the top of
// memory, and a good share of bytes 0xFA-0xFF so that escaping gets used.
void FillCode(std::vector<uint8_t>& image, size_t from, size_t to, Random& random)
{
    size_t i = from;
    while (i < to) {
        const uint32_t kind = random.Below(20);
        if (kind < 3) {  // pointer: bank byte 0xE8-0xFF, then two bytes
            const uint8_t pointer[3] = {static_cast<uint8_t>(random.Between(0xE8, 0xFF)),
                                        static_cast<uint8_t>(random.Next()),
                                        static_cast<uint8_t>(random.Next())};
            for (size_t k = 0; k < 3 && i < to; ++k)
                image[i++] = pointer[k];
        } else if (kind < 5) {
            image[i++] = static_cast<uint8_t>(random.Between(0xFA, 0xFF));
        } else if (kind < 8) {
            image[i++] = static_cast<uint8_t>(random.Below(0x10));
        } else {
            image[i++] = static_cast<uint8_t>(random.Next());
        }
    }
}

// Code runs of 8-64 blocks and erased runs of 4-32 blocks, alternating and
// starting with code, so that about a third of the blocks are blank. A code
// run often ends part-way through its last block.
void FillRuns(std::vector<uint8_t>& image, size_t from, size_t to, Random& random)
{
    size_t at = from;
    bool code = true;
    while (at < to) {
        const size_t blocks = code ? random.Between(8, 64) : random.Between(4, 32);
        size_t end = std::min(to, at + blocks * blockSize);
        if (code) {
            size_t codeEnd = end;
            if (end < to && random.Below(2) == 0)
                codeEnd = end - random.Between(1, blockSize - 1);
            FillCode(image, at, codeEnd, random);
        }
        at = end;
        code = !code;
    }
}

bool IsBlankBlock(const std::vector<uint8_t>& image, size_t offset)
{
    const size_t end = std::min(image.size(), offset + blockSize);
    for (size_t i = offset; i < end; ++i) {
        if (image[i] != erased)
            return false;
    }
    return true;
}

// Makes sure the block that holds a field is code, as a real image's would be.
void EnsureCode(std::vector<uint8_t>& image, size_t offset, Random& random)
{
    const size_t block = offset / blockSize * blockSize;
    if (IsBlankBlock(image, block))
        FillCode(image, block, std::min(image.size(), block + blockSize), random);
}

std::vector<uint8_t> MakeCpu()
{
    Random random(0x1E80480u);
    std::vector<uint8_t> image(cpuLast - cpuFirst + 1, erased);
    const size_t system = cpuProfile.sysFirst - cpuFirst;
    FillRuns(image, 0, system, random);
    const size_t version = cpuProfile.versionAddress - cpuFirst;
    EnsureCode(image, version, random);
    std::memcpy(&image[version], cpuVersion, cpuProfile.versionLength);

    // System area: variant text and settings tables in its first twelve
    // blocks, erased after that, and the vector table in its last block.
    FillCode(image, system, system + 12 * blockSize, random);
    std::memcpy(&image[cpuProfile.variantAddress - cpuFirst], cpuProfile.variants[0].text, variantTextLength);
    FillCode(image, image.size() - blockSize / 2, image.size(), random);
    return image;
}

std::vector<uint8_t> MakeDsp()
{
    Random random(0x0010000Eu);
    std::vector<uint8_t> image(dspLast - dspFirst + 1, erased);
    FillRuns(image, 0, image.size(), random);
    const size_t version = dspProfile.versionAddress - dspFirst;
    EnsureCode(image, version, random);
    const size_t compared = static_cast<size_t>(dspProfile.versionCompared);
    const size_t length = static_cast<size_t>(dspProfile.versionLength);
    for (size_t i = 0; i < compared / 2; ++i) {
        image[version + 2 * i] = 0x00;
        image[version + 2 * i + 1] = static_cast<uint8_t>(dspVersion[i]);
    }
    for (size_t i = compared; i < length; ++i) {
        image[version + i] = 0x00;  // the terminator, not compared
    }
    EnsureCode(image, image.size() - 1, random);
    return image;
}

std::vector<uint8_t> MakeFlashWriter()
{
    Random random(0x028C05CFu);
    std::vector<uint8_t> image(flashWriterLast - flashWriterFirst + 1);
    FillCode(image, 0, image.size(), random);
    return image;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "rx_makesample: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        std::fprintf(stderr, "rx_makesample: cannot write %s\n", path.c_str());
    return written && closed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: rx_makesample <output directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = Write(dir + "/flashwriter.bin", MakeFlashWriter())
        && Write(dir + "/cpu.bin", MakeCpu()) && Write(dir + "/dsp.bin", MakeDsp());
    return ok ? 0 : 1;
}
