// Checks a plain firmware image and writes it as a scrambled image record
// (first and last address as little-endian 32-bit numbers, then the bytes
// scrambled by Descramble), ready to be assembled into the program.
//
// Usage: rx_firmpack <flashwriter|cpu|dsp> <plain image> <record out>
// Stops with a message naming the image and the field when the image has
// the wrong size or a field the updater relies on is not as it must be.

#include "FirmImages.h"
#include "VersionCheck.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Kind {
    const char* name;
    const char* title;
    uint32_t first;
    uint32_t last;
};

constexpr Kind kinds[] = {
    {"flashwriter", "Flash-writer image", flashWriterFirst, flashWriterLast},
    {"cpu", "Main-processor image", cpuFirst, cpuLast},
    {"dsp", "DSP image", dspFirst, dspLast},
};

const Kind* FindKind(const std::string& name)
{
    for (const Kind& kind : kinds) {
        if (name == kind.name)
            return &kind;
    }
    return nullptr;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string Hex(const uint8_t* bytes, size_t count)
{
    std::string text;
    char one[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(one, sizeof one, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += one;
    }
    return text;
}

// Each check returns an empty string when the field is right, else why not.
std::string CheckCpu(const std::vector<uint8_t>& image)
{
    const uint8_t* version = &image[cpuVersionAddress - cpuFirst];
    if (!IsVersionText(version))
        return "the version text at 0xE80480 (" + Hex(version, versionTextLength)
            + ") has a character other than a letter, digit, '-', '.' or blank";
    const uint8_t* variant = &image[cpuVariantAddress - cpuFirst];
    if (std::memcmp(variant, variantScanOn, variantTextLength) != 0
        && std::memcmp(variant, variantDupDtcs, variantTextLength) != 0)
        return "the variant text at 0xFFC000 (" + Hex(variant, variantTextLength)
            + ") is neither \"P-SCAN ON\" nor \"DUP- DTCS\" followed by a zero byte";
    return {};
}

// The DSP field is c1 '.' c2 c3 '-' c4 c5 c6 c7 as 16-bit big-endian characters.
std::string CheckDsp(const std::vector<uint8_t>& image)
{
    const uint8_t* field = &image[dspVersionAddress - dspFirst];
    const std::string why = "the version field at 0x01000E (" + Hex(field, dspVersionFieldLength)
        + ") is not c1 '.' c2 c3 '-' c4 c5 c6 c7 in 16-bit big-endian characters";
    uint8_t chars[versionTextLength] = {'0'};  // c0, which is never compared
    int next = 1;
    for (int i = 0; i < 9; ++i) {
        const uint8_t high = field[2 * i];
        const uint8_t low = field[2 * i + 1];
        if (high != 0x00)
            return why;
        if (i == 1 || i == 4) {
            if (low != (i == 1 ? '.' : '-'))
                return why;
        } else {
            chars[next++] = low;
        }
    }
    if (!IsVersionText(chars))
        return why + ", or has a character other than a letter, digit, '-', '.' or blank";
    return {};
}

int Fail(const Kind& kind, const std::string& path, const std::string& why)
{
    std::fprintf(stderr, "rx_firmpack: %s '%s': %s\n", kind.title, path.c_str(), why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || FindKind(argv[1]) == nullptr) {
        std::fprintf(stderr, "usage: rx_firmpack <flashwriter|cpu|dsp> <plain image> <record out>\n");
        return 2;
    }
    const Kind& kind = *FindKind(argv[1]);
    const std::string in = argv[2];
    const std::string out = argv[3];

    std::vector<uint8_t> image;
    if (!ReadFile(in, image))
        return Fail(kind, in, "cannot be read");
    const size_t expected = size_t{kind.last} - kind.first + 1;
    if (image.size() != expected)
        return Fail(kind, in, "is " + std::to_string(image.size()) + " bytes long; it must be "
                                  + std::to_string(expected) + " bytes");
    std::string why;
    if (std::string(kind.name) == "cpu")
        why = CheckCpu(image);
    else if (std::string(kind.name) == "dsp")
        why = CheckDsp(image);
    if (!why.empty())
        return Fail(kind, in, why);

    std::vector<uint8_t> record(recordHeaderLength);
    for (int i = 0; i < 4; ++i) {
        record[i] = static_cast<uint8_t>(kind.first >> (8 * i));
        record[4 + i] = static_cast<uint8_t>(kind.last >> (8 * i));
    }
    Descramble(image.data(), static_cast<int32_t>(image.size()));
    record.insert(record.end(), image.begin(), image.end());
    if (!WriteFile(out, record)) {
        std::remove(out.c_str());
        return Fail(kind, out, "cannot be written");
    }
    return 0;
}
