#include "FirmwareVariant.h"

#include "RadioFlash.h"
#include "RadioImages.h"
#include "RadioLayout.h"

#include <algorithm>
#include <cstring>

namespace {

enum class Choice { Same, Older, Newer, Blank, BadText };

// Allowed version characters in ascending byte order.
constexpr char allowed[] = " -.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int allowedCount = sizeof allowed - 1;
constexpr uint8_t notAllowed = '/';

// Bytes changed besides the version text, so that writing really changes
// flash: inside the block that holds the version, away from the text.
constexpr uint32_t cpuOtherBytes = 0xE80410;
constexpr uint32_t dspOtherBytes = 0x010000;
constexpr uint32_t otherCount = 14;  // 0x010000..0x01000D, just before the DSP's field
// In the system area, after its variant text.
constexpr uint32_t cpuSystemBytes = 0xFFC010;
constexpr uint8_t changeMask = 0x5A;

bool SameClass(uint8_t a, uint8_t b)
{
    const auto kind = [](uint8_t c) {
        if (c >= '0' && c <= '9')
            return 1;
        if (c >= 'A' && c <= 'Z')
            return 2;
        if (c >= 'a' && c <= 'z')
            return 3;
        return 0;
    };
    return kind(a) != 0 && kind(a) == kind(b);
}

int AllowedIndex(uint8_t c)
{
    const char* at = std::find(allowed, allowed + allowedCount, static_cast<char>(c));
    return at == allowed + allowedCount ? -1 : static_cast<int>(at - allowed);
}

// Moves one compared character a step along the allowed order, the last
// one that can move first. The first pass keeps a digit a digit and a
// letter a letter ("1.05-120": older "1.05-110", newer "1.05-121"); only
// when none can does a character change its kind.
bool StepText(uint8_t* text, int from, int step)
{
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = radio::versionLength - 1; i >= from; --i) {
            const int index = AllowedIndex(text[i]);
            const int next = index + step;
            if (index < 0 || next < 0 || next >= allowedCount)
                continue;
            const auto candidate = static_cast<uint8_t>(allowed[next]);
            if (pass == 0 && !SameClass(text[i], candidate))
                continue;
            text[i] = candidate;
            return true;
        }
    }
    return false;
}

void ChangeBytes(RadioFlash& flash, uint32_t address, uint32_t count)
{
    std::vector<uint8_t> bytes(count);
    flash.Read(address, count, bytes.data());
    for (auto& b : bytes)
        b ^= changeMask;
    flash.Write(address, bytes.data(), count);
}

Choice ChoiceOf(CpuFirmware c)
{
    switch (c) {
    case CpuFirmware::Same: return Choice::Same;
    case CpuFirmware::Older: return Choice::Older;
    case CpuFirmware::Newer: return Choice::Newer;
    case CpuFirmware::Blank: return Choice::Blank;
    case CpuFirmware::BadText: break;
    }
    return Choice::BadText;
}

Choice ChoiceOf(DspFirmware c)
{
    switch (c) {
    case DspFirmware::Same: return Choice::Same;
    case DspFirmware::Older: return Choice::Older;
    case DspFirmware::Newer: return Choice::Newer;
    case DspFirmware::Blank: return Choice::Blank;
    case DspFirmware::BadText: break;
    }
    return Choice::BadText;
}

// Applies the choice to an 8-character text whose characters from `from`
// on are compared.
bool ChangeText(uint8_t* text, int from, Choice choice)
{
    switch (choice) {
    case Choice::Older: return MakeOlderText(text, from);
    case Choice::Newer: return MakeNewerText(text, from);
    case Choice::BadText: text[from] = notAllowed; return true;
    case Choice::Same:
    case Choice::Blank: break;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> FlashImage(const ImageRecord& record, uint32_t first, uint32_t last)
{
    std::vector<uint8_t> flash(size_t{last} - first + 1, 0xFF);
    const std::vector<uint8_t> plain = RadioPlainBytes(record);
    for (size_t i = 0; i < plain.size(); ++i) {
        const uint64_t address = uint64_t{record.first} + i;
        if (address >= first && address <= last)
            flash[address - first] = plain[i];
    }
    return flash;
}

bool AllowedVersionText(const uint8_t* text)
{
    for (int i = 0; i < radio::versionLength; ++i) {
        if (AllowedIndex(text[i]) < 0)
            return false;
    }
    return true;
}

bool MakeOlderText(uint8_t* text, int from)
{
    return StepText(text, from, -1);
}

bool MakeNewerText(uint8_t* text, int from)
{
    return StepText(text, from, +1);
}

void DspTextFromField(const uint8_t* field, uint8_t* text)
{
    // Characters 0, 2, 3, 5, 6, 7, 8 of the field; 1 and 4 are '.' and '-'.
    static constexpr int fieldChar[radio::versionLength - 1] = {0, 2, 3, 5, 6, 7, 8};
    text[0] = radio::dspTextFirst;
    for (int i = 0; i < radio::versionLength - 1; ++i)
        text[i + 1] = field[2 * fieldChar[i] + 1];
}

void DspFieldFromText(const uint8_t* text, uint8_t* field)
{
    const uint8_t chars[9] = {text[1], '.', text[2], text[3], '-', text[4], text[5], text[6], text[7]};
    for (int i = 0; i < 9; ++i) {
        field[2 * i] = 0x00;
        field[2 * i + 1] = chars[i];
    }
}

bool SetUpCpuFlash(RadioFlash& flash, const std::vector<uint8_t>& reference, CpuFirmware choice,
                   bool systemAreaMatches, std::string& error)
{
    const Choice c = ChoiceOf(choice);
    if (c == Choice::Blank) {
        flash.Erase(flash.First(), flash.Last());
        flash.intact = false;
        return true;
    }
    flash.Write(flash.First(), reference.data(), static_cast<uint32_t>(reference.size()));
    flash.intact = true;
    if (c == Choice::Same)
        return true;
    uint8_t text[radio::versionLength];
    flash.Read(cpuVersionAddress, radio::versionLength, text);
    if (!ChangeText(text, 0, c)) {
        error = "the main processor's version text cannot be made older or newer";
        return false;
    }
    flash.Write(cpuVersionAddress, text, radio::versionLength);
    ChangeBytes(flash, cpuOtherBytes, otherCount);
    if (!systemAreaMatches)
        ChangeBytes(flash, cpuSystemBytes, otherCount);
    return true;
}

bool SetUpDspFlash(RadioFlash& flash, const std::vector<uint8_t>& reference, DspFirmware choice,
                   std::string& error)
{
    const Choice c = ChoiceOf(choice);
    flash.Write(flash.First(), reference.data(), static_cast<uint32_t>(reference.size()));
    if (c == Choice::Blank) {
        // Only what an update can write is erased: the DSP's own code below
        // 0x010000 is never touched by the boot loader.
        flash.Erase(radio::dspAreaFirst, radio::dspAreaLast);
        flash.intact = false;
        return true;
    }
    flash.intact = true;
    if (c == Choice::Same)
        return true;
    uint8_t field[dspVersionFieldLength];
    flash.Read(dspVersionAddress, dspVersionFieldLength, field);
    uint8_t text[radio::versionLength];
    DspTextFromField(field, text);
    // c0 is never compared, so only c1 ... c7 may carry the change.
    if (!ChangeText(text, 1, c)) {
        error = "the DSP's version text cannot be made older or newer";
        return false;
    }
    DspFieldFromText(text, field);
    flash.Write(dspVersionAddress, field, dspVersionTextLength);
    ChangeBytes(flash, dspOtherBytes, otherCount);
    return true;
}
