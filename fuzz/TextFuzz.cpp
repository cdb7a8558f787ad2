// The text-reading parts against plain reference readings written from
// their descriptions: the catalogue over a fuzzed line table, the port-name
// reader, the field splitter and the settings string.
#include "FuzzSerialDriver.h"
#include "FuzzTargets.h"

#include "PortList.h"
#include "clsGTex.h"
#include "PlainTaskTimers.h"
#include "Platform.h"
#include "cmcComm.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t LineLimit = 1022;  // longer lines are cut to this
constexpr size_t MaxLines = 4096;
constexpr int MaxLookups = 256;

// --- catalogue ---------------------------------------------------------------

struct Lookup {
    std::string key;
    int index;
};

std::string Cut(const std::string& line)
{
    return line.substr(0, std::min(line.size(), LineLimit));
}

// Value line index of key, read straight from the table: the first key line
// wins, indexing stops after "End_Of_Ovl", the value is the n-th line after
// the key line whatever it holds.
std::string ReferenceText(const std::vector<std::string>& lines, const std::string& key, int index)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = Cut(lines[i]);
        if (line.size() < 2 || line[0] != '#') {
            continue;
        }
        const std::string lineKey = line.substr(1);
        if (lineKey == key) {
            const size_t at = i + 1 + static_cast<size_t>(index);
            return at < lines.size() ? Cut(lines[at]) : clsGTex::ErrorText;
        }
        if (lineKey == "End_Of_Ovl") {
            break;
        }
    }
    return clsGTex::ErrorText;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin <= text.size() && lines.size() < MaxLines) {
        const size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(begin));
            break;
        }
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

std::vector<Lookup> ParseLookups(std::string_view text, const std::vector<std::string>& lines)
{
    std::vector<Lookup> lookups;
    size_t pos = 0;
    while (pos < text.size() && static_cast<int>(lookups.size()) < MaxLookups) {
        const int index = static_cast<uint8_t>(text[pos++]) % 8;
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string key(text.substr(pos, end - pos));
        key = key.c_str();  // the catalogue takes NUL-terminated keys
        lookups.push_back({key, index});
        pos = end + 1;
    }
    if (lookups.empty()) {
        // No lookups given: ask for the first lines of every key line met.
        for (const std::string& line : lines) {
            if (line.size() >= 2 && line[0] == '#' && static_cast<int>(lookups.size()) < MaxLookups) {
                lookups.push_back({std::string(line.c_str() + 1), 1});
                lookups.push_back({std::string(line.c_str() + 1), 0});
            }
        }
        lookups.push_back({"End_Of_Ovl", 0});
        lookups.push_back({"", 0});
    }
    return lookups;
}

std::string FuzzCatalogue(uint8_t flags, std::string_view text)
{
    const size_t split = text.find('\0');
    const std::vector<std::string> lines = SplitLines(text.substr(0, split));
    const std::vector<Lookup> lookups =
        ParseLookups(split == std::string_view::npos ? std::string_view() : text.substr(split + 1), lines);
    std::vector<const char*> table;
    for (const std::string& line : lines) {
        table.push_back(line.c_str());
    }
    clsGTex catalogue;
    const bool askedEarly = (flags & 0x04) != 0;
    if (askedEarly && catalogue.GetText("Sys_Ovl", 0) != clsGTex::ErrorText) {
        return "a lookup without a source served a text";
    }
    if (catalogue.SetLines(table.data(), static_cast<int>(table.size())) != 1) {
        return "the first SetLines was refused";
    }
    if ((flags & 0x08) != 0 && catalogue.SetLines(table.data(), 1) != 0) {
        return "a second SetLines was taken";
    }
    for (const Lookup& l : lookups) {
        const std::string got = catalogue.GetText(l.key.c_str(), l.index);
        const std::string want = askedEarly ? clsGTex::ErrorText : ReferenceText(lines, l.key, l.index);
        if (got != want) {
            return "GetText(\"" + l.key.substr(0, 40) + "\", " + std::to_string(l.index) + ") gave \""
                + got.substr(0, 40) + "\", expected \"" + want.substr(0, 40) + "\"";
        }
    }
    return "";
}

// --- port names ----------------------------------------------------------------

// Digits, '.' and '-' only, at most nine; then an optional sign, digits and an
// optional fraction, rounded half away from zero.
int ReferencePortNumber(std::string_view text)
{
    std::string chars;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') {
            chars += c;
        }
    }
    chars = chars.substr(0, 9);
    size_t pos = 0;
    const bool negative = !chars.empty() && chars[0] == '-';
    pos += negative ? 1 : 0;
    long double value = 0;
    bool any = false;
    for (; pos < chars.size() && chars[pos] >= '0' && chars[pos] <= '9'; ++pos) {
        value = value * 10 + (chars[pos] - '0');
        any = true;
    }
    if (pos < chars.size() && chars[pos] == '.') {
        long double scale = 0.1L;
        for (++pos; pos < chars.size() && chars[pos] >= '0' && chars[pos] <= '9'; ++pos) {
            value += scale * (chars[pos] - '0');
            scale /= 10;
            any = true;
        }
    }
    if (!any) {
        return 0;
    }
    const long double rounded = std::floor(value + 0.5L);
    return static_cast<int>(negative ? -rounded : rounded);
}

std::string FuzzPortName(std::string_view text)
{
    const int got = PortNumberOf(text);
    const int want = ReferencePortNumber(text);
    if (got != want) {
        return "PortNumberOf gave " + std::to_string(got) + ", expected " + std::to_string(want);
    }
    return "";
}

// --- fields and the settings string -------------------------------------------------

// Code page 932: a lead byte and a trail byte make one character.
bool Cp932Pair(std::string_view text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (at + 1 >= text.size() || !((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))) {
        return false;
    }
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
}

std::optional<std::string> ReferenceField(std::string_view text, char separator, int index)
{
    int field = 0;
    std::string current;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (Cp932Pair(text, at)) {
            current += c;
            current += text[++at];
            continue;
        }
        if (c == separator) {
            if (field == index) {
                return current;
            }
            ++field;
            current.clear();
        } else {
            current += c;
        }
    }
    if (field == index) {
        return current;
    }
    return std::nullopt;
}

std::string FuzzFields(std::string_view text)
{
    if (text.size() < 2) {
        return "";
    }
    const char separator = text[0];
    const int index = static_cast<int8_t>(text[1]) % 12;
    const std::string_view rest = text.substr(2);
    const std::optional<std::string> got = cmcComm::GetField(rest, separator, index);
    const std::optional<std::string> want = index < 0 ? std::nullopt : ReferenceField(rest, separator, index);
    if (got != want) {
        return "GetField(" + std::to_string(index) + ") disagrees with the plain split";
    }
    return "";
}

std::string FuzzSettings(std::string_view text)
{
    // Nothing is written, so the send task's timers never need to run.
    PlainTaskTimers timers(PlatformClock());
    cmcComm port(std::make_unique<FuzzSerialDriver>(nullptr, 0, FuzzSerialDriver::Behaviour{}), PlatformComResolver(),
                 timers);
    const bool opened = port.Open(1, text);
    if (port.DataBits() < 4 || port.DataBits() > 8) {
        return "data bits out of range: " + std::to_string(port.DataBits());
    }
    if (port.StopBits() > 2) {
        return "stop bits out of range: " + std::to_string(port.StopBits());
    }
    const std::optional<std::string> stop = ReferenceField(text, ',', 3);
    const int wantStop = !stop ? 0 : *stop == "1.5" ? 1 : *stop == "2" ? 2 : 0;
    if (port.StopBits() != wantStop) {
        return "stop bits " + std::to_string(port.StopBits()) + ", expected " + std::to_string(wantStop);
    }
    if (opened && port.BitRate() == 0) {
        return "a port opened at 0 bit/s";
    }
    if (opened) {
        // The write time-out must stay finite and the line usable.
        const uint8_t probe[4] = {0x33, 0x90, 0x82, 0x82};
        port.Write(probe, 4);
        if (port.HasWriteError()) {
            return "a write failed on an open port";
        }
        port.Close();
    }
    return "";
}

} // namespace

std::string FuzzText(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return "";
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
    case 0: return FuzzCatalogue(data[0], text);
    case 1: return FuzzPortName(text);
    case 2: return FuzzFields(text);
    default: return FuzzSettings(text);
    }
}
