#include "PortText.h"

#include <climits>

int ReadPortNumber(const std::string& text)
{
    std::size_t at = 0;
    std::size_t end = text.size();
    while (at < end && static_cast<unsigned char>(text[at]) <= ' ') {
        ++at;
    }
    while (end > at && static_cast<unsigned char>(text[end - 1]) <= ' ') {
        --end;
    }
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < end && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value < INT_MAX) {
            value = value * 10 + (text[at] - '0');
        }
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}
