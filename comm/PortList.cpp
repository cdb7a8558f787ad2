#include "PortList.h"

#include "Platform.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace {

constexpr size_t kMaxNumberChars = 9;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits, '.' and '-' of text, cut to the first nine.
std::string NumberChars(std::string_view text)
{
    std::string kept;
    for (const char c : text) {
        if (IsDigit(c) || c == '.' || c == '-') {
            kept.push_back(c);
        }
    }
    if (kept.size() > kMaxNumberChars) {
        kept.resize(kMaxNumberChars);
    }
    return kept;
}

} // namespace

void EnumeratePorts(std::vector<std::string>& list)
{
    EnumeratePorts(list, PlatformComPorts());
}

void EnumeratePorts(std::vector<std::string>& list, const std::vector<ComPort>& ports)
{
    for (const ComPort& port : ports) {
        if (port.present) {
            list.push_back(std::to_string(port.number));
        }
    }
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return PortNumberOf(a) < PortNumberOf(b);
    });
}

// Reads the number by hand: strtod would follow the user's locale, where the
// decimal point may be a comma.
int PortNumberOf(std::string_view text)
{
    const std::string chars = NumberChars(text);
    size_t pos = 0;
    const bool negative = pos < chars.size() && chars[pos] == '-';
    if (negative) {
        ++pos;
    }
    int64_t whole = 0;
    bool anyDigit = false;
    for (; pos < chars.size() && IsDigit(chars[pos]); ++pos) {
        whole = whole * 10 + (chars[pos] - '0');
        anyDigit = true;
    }
    bool roundUp = false;
    if (pos < chars.size() && chars[pos] == '.' && pos + 1 < chars.size() && IsDigit(chars[pos + 1])) {
        // The first fraction digit alone decides: .5 and above round away from zero.
        roundUp = chars[pos + 1] >= '5';
        anyDigit = true;
    }
    if (!anyDigit) {
        return 0;
    }
    const int64_t magnitude = whole + (roundUp ? 1 : 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::string PortDevicePath(int number)
{
    return PortDevicePath(number, PlatformComPorts());
}

std::string PortDevicePath(int number, const std::vector<ComPort>& ports)
{
    const auto port = std::find_if(ports.begin(), ports.end(),
                                   [number](const ComPort& p) { return p.number == number; });
    if (port == ports.end()) {
        return {};
    }
    // Show the device a link leads to (/dev/ttyUSB0), not the link.
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(port->path, error);
    return error ? port->path : device.string();
}
