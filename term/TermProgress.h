#pragma once
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// The progress of one processor's writing in the terminal. On a terminal a
// bar with the percentage and the time left, drawn again in place; into a
// file or a pipe a plain line at each whole ten percent ("CPU 40%"), so that
// a log stays short. The bar always fits the terminal's width, read again
// at each redraw, so that it never wraps: narrower, it loses its bar, then
// the time left.
class TermProgress {
public:
    // columns: the terminal's width; empty or 0 when not known.
    TermProgress(std::ostream& out, bool terminal, std::function<int()> columns = {});

    // A processor's writing begins at nowMs; label names it ("CPU").
    void Begin(const std::string& label, int64_t nowMs);
    // The sequencer's position, 0 to 255, at nowMs.
    void Show(int position, int64_t nowMs);
    // Ends the bar's line; nothing when no bar is drawn.
    void End();
    // Leaves the bar's line for a line of another kind; the bar is drawn
    // again below it at the next Show.
    void Interrupt();

    // The percentage shown for a position, as the window's title has it.
    static int Percent(int position) { return position * 100 / 255; }
    // "1:05 left" from the time spent and the position reached; "" before
    // the first block.
    static std::string TimeLeft(int position, int64_t spentMs);
    // The bar line without its leading carriage return; shorter than
    // columns when columns is above 0.
    static std::string BarLine(const std::string& label, int position, int64_t spentMs, int columns = 0);

private:
    std::ostream& out;
    bool terminal;
    std::function<int()> columns;
    bool active = false;
    std::string label;
    int64_t startMs = 0;
    std::string lastDrawn;
    int lastTen = 0;  // the last ten percent step written as a line
};
