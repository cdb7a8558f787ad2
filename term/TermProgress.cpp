#include "TermProgress.h"

#include <algorithm>

namespace {

constexpr int BarWidth = 30;
constexpr int FullPosition = 255;

} // namespace

TermProgress::TermProgress(std::ostream& output, bool onTerminal) : out(output), terminal(onTerminal)
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
    const std::string line = BarLine(label, position, nowMs - startMs);
    if (line != lastDrawn) {
        // Padded to the last line's length: a shorter line leaves nothing behind.
        std::string padded = line;
        if (padded.size() < lastDrawn.size()) {
            padded.resize(lastDrawn.size(), ' ');
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

std::string TermProgress::BarLine(const std::string& name, int position, int64_t spentMs)
{
    const int filled = position * BarWidth / FullPosition;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(BarWidth, '.');
    std::string percent = std::to_string(Percent(position));
    percent.insert(0, 3 - std::min<size_t>(percent.size(), 3), ' ');
    const std::string left = TimeLeft(position, spentMs);
    return name + " [" + bar + "] " + percent + "%" + (left.empty() ? "" : "  " + left);
}

void TermProgress::Interrupt()
{
    if (active && terminal && !lastDrawn.empty()) {
        out << '\n' << std::flush;
        lastDrawn.clear();
    }
}
