#pragma once
#include "TermProgress.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// The progress of several radios written at once. On a terminal one line per
// radio (port, processor, bar, percent, time left), the block redrawn in
// place; into a file or a pipe a line per radio at each whole ten percent,
// with its port in front ("COM7 DSP 40%"), so that a log stays short.
class MultiProgress {
public:
    // One line for each of count radios.
    MultiProgress(std::ostream& out, bool terminal, size_t count);

    // Radio index's processor (label: "COM7 CPU") began at nowMs.
    void Begin(size_t index, const std::string& label, int64_t nowMs);
    // Its position, 0 to 255, at nowMs.
    void Show(size_t index, int position, int64_t nowMs);
    // Its line says text instead of a bar from now on ("COM7 completed").
    void Say(size_t index, const std::string& text);
    // Draws the block again when something changed (on a terminal at most
    // every RedrawMs, unless forced).
    void Draw(int64_t nowMs, bool force = false);
    // Leaves the block for lines of another kind; it is drawn again below
    // them at the next Draw.
    void Interrupt();

    static constexpr int64_t RedrawMs = 100;

private:
    struct Row {
        std::string label;
        int64_t startMs = 0;
        int position = 0;
        std::string text;  // instead of the bar when not empty
        std::unique_ptr<TermProgress> log;  // the ten-percent lines, not on a terminal
    };

    std::string LineOf(const Row& row, int64_t nowMs) const;

    std::ostream& out;
    bool terminal;
    std::vector<Row> rows;
    size_t drawnRows = 0;      // lines of the block now on the screen
    int64_t lastDrawMs = -RedrawMs;
    bool changed = false;
};
