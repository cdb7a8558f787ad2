#include "TermProgress.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int BarWidth = 30;
constexpr int MinBarWidth = 10;  // narrower, a bar says nothing the percentage does not
constexpr int FullPosition = 255;

} // namespace

TermProgress::TermProgress(std::ostream& output, bool onTerminal, std::function<int()> width)
    : out(output), terminal(onTerminal), columns(std::move(width))
{
}

void TermProgress::Begin(const std::string& name, int64_t nowMs)
{
    End();
    label = name;
    startMs = nowMs;
    active = true;
    lastDrawn.clear();
    lastTen = 0;
    Show(0, nowMs);
}

void TermProgress::Show(int position, int64_t nowMs)
{
    if (!active) {
        return;
    }
    if (!terminal) {
        const int ten = Percent(position) / 10 * 10;
        for (int step = lastTen + 10; step <= ten; step += 10) {
            out << label << ' ' << step << "%\n";
        }
        if (ten > lastTen) {
            lastTen = ten;
            out.flush();
        }
        return;
    }
    const int width = columns ? columns() : 0;
    const std::string line = BarLine(label, position, nowMs - startMs, width);
    if (line != lastDrawn) {
        // Padded to the last line's length: a shorter line leaves nothing
        // behind. Never to the last column, where a terminal wraps.
        std::string padded = line;
        size_t pad = lastDrawn.size();
        if (width > 0) {
            pad = std::min(pad, static_cast<size_t>(width - 1));
        }
        if (padded.size() < pad) {
            padded.resize(pad, ' ');
        }
        out << '\r' << padded << std::flush;
        lastDrawn = line;
    }
}

void TermProgress::End()
{
    if (active && terminal && !lastDrawn.empty()) {
        out << '\n' << std::flush;
    }
    active = false;
}

std::string TermProgress::TimeLeft(int position, int64_t spentMs)
{
    if (position <= 0 || spentMs <= 0) {
        return "";
    }
    const int64_t leftMs = spentMs * (FullPosition - position) / position;
    const int64_t seconds = (leftMs + 999) / 1000;
    const std::string secondsText = std::to_string(seconds % 60);
    return std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") + secondsText + " left";
}

std::string TermProgress::BarLine(const std::string& name, int position, int64_t spentMs, int columns)
{
    std::string percent = std::to_string(Percent(position));
    percent.insert(0, 3 - std::min<size_t>(percent.size(), 3), ' ');
    const std::string leftText = TimeLeft(position, spentMs);
    const std::string left = leftText.empty() ? "" : "  " + leftText;
    // The widest of: label [bar] percent time, label percent time, label
    // percent, that stays left of the last column.
    const size_t room = columns > 0 ? static_cast<size_t>(columns - 1) : SIZE_MAX;
    const size_t frame = name.size() + 4 + percent.size() + 1 + left.size();  // " [" "] " "%"
    const int barWidth = room >= frame + BarWidth ? BarWidth
        : room >= frame + MinBarWidth             ? static_cast<int>(room - frame)
                                                  : 0;
    if (barWidth > 0) {
        const int filled = position * barWidth / FullPosition;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(static_cast<size_t>(barWidth), '.');
        return name + " [" + bar + "] " + percent + "%" + left;
    }
    std::string line = name + " " + percent + "%" + left;
    if (line.size() > room) {
        line = name + " " + percent + "%";
    }
    if (line.size() > room) {
        line.resize(room);
    }
    return line;
}

void TermProgress::Interrupt()
{
    if (active && terminal && !lastDrawn.empty()) {
        out << '\n' << std::flush;
        lastDrawn.clear();
    }
}
