#pragma once
#include <cstdint>
#include <optional>
#include <string>

// One notice line: a colour (red in the low byte, then green, then blue) and
// the text shown as one paragraph.
struct MESSTRING {
    std::uint32_t color;
    std::string text;
};

constexpr std::uint32_t NoticeRed = 0x000000FF;
constexpr std::uint32_t NoticeBlack = 0x00000000;
constexpr int NoticeCount = 48;

// A copy of notice line index (0 to 47).
MESSTRING GetNotice(int index);

// Replaces the first occurrence of pattern in text; false when there is none.
bool ReplaceFirst(std::string& text, const std::string& pattern, const std::string& replacement);

// The text that is appended for notice line index: with a write time (whole
// minutes, decimal) the placeholder is filled in, and "minutes" becomes
// "minute" when the time is 1.
std::string NoticeText(int index, const std::optional<std::string>& writeTime);
