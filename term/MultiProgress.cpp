#include "MultiProgress.h"

MultiProgress::MultiProgress(std::ostream& output, bool onTerminal, size_t count)
    : out(output), terminal(onTerminal), rows(count)
{
}

void MultiProgress::Begin(size_t index, const std::string& label, int64_t nowMs)
{
    Row& row = rows.at(index);
    row.label = label;
    row.startMs = nowMs;
    row.position = 0;
    row.text.clear();
    changed = true;
    if (!terminal) {
        row.log = std::make_unique<TermProgress>(out, false);
        row.log->Begin(label, nowMs);
    }
}

void MultiProgress::Show(size_t index, int position, int64_t nowMs)
{
    Row& row = rows.at(index);
    if (row.log) {
        row.log->Show(position, nowMs);
    }
    if (position != row.position) {
        row.position = position;
        changed = true;
    }
}

void MultiProgress::Say(size_t index, const std::string& text)
{
    Row& row = rows.at(index);
    if (row.text != text) {
        row.text = text;
        row.log.reset();
        changed = true;
    }
}

std::string MultiProgress::LineOf(const Row& row, int64_t nowMs) const
{
    if (!row.text.empty()) {
        return row.text;
    }
    return TermProgress::BarLine(row.label, row.position, nowMs - row.startMs);
}

void MultiProgress::Draw(int64_t nowMs, bool force)
{
    if (!terminal || (!changed && drawnRows == rows.size()) || (!force && nowMs - lastDrawMs < RedrawMs)) {
        return;
    }
    std::string block;
    if (drawnRows > 0) {
        block += "\x1b[" + std::to_string(drawnRows) + "A";  // back to the block's first line
    }
    for (const Row& row : rows) {
        block += "\r" + LineOf(row, nowMs) + "\x1b[K\n";
    }
    out << block << std::flush;
    drawnRows = rows.size();
    lastDrawMs = nowMs;
    changed = false;
}

void MultiProgress::Interrupt()
{
    drawnRows = 0;
    changed = true;
}
