#include "TermProgress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

struct BarCase {
    const char* name;
    int position;
    int64_t spentMs;
    const char* line;
};

void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }

class TermProgressBar : public testing::TestWithParam<BarCase> {};

TEST_P(TermProgressBar, ShowsPercentageAndTimeLeft)
{
    EXPECT_EQ(TermProgress::BarLine("CPU", GetParam().position, GetParam().spentMs), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Progress, TermProgressBar,
    testing::Values(
        BarCase{"start_has_no_estimate", 0, 0, "CPU [..............................]   0%"},
        BarCase{"a_third", 85, 60000, "CPU [##########....................]  33%  2:00 left"},
        BarCase{"a_fifth_in_seconds", 51, 10000, "CPU [######........................]  20%  0:40 left"},
        BarCase{"full", 255, 240000, "CPU [##############################] 100%  0:00 left"}),
    [](const testing::TestParamInfo<BarCase>& info) { return std::string(info.param.name); });

// The bar line fits the terminal's width, left of its last column: the bar
// narrows, then goes, then the time left goes.
struct WidthCase {
    const char* name;
    int columns;
    const char* line;
};

void PrintTo(const WidthCase& c, std::ostream* os) { *os << c.name; }

class TermProgressWidth : public testing::TestWithParam<WidthCase> {};

TEST_P(TermProgressWidth, FitsTheTerminal)
{
    const std::string line = TermProgress::BarLine("CPU", 85, 60000, GetParam().columns);
    EXPECT_EQ(line, GetParam().line);
    EXPECT_LT(line.size(), static_cast<size_t>(GetParam().columns));
}

INSTANTIATE_TEST_SUITE_P(
    Progress, TermProgressWidth,
    testing::Values(WidthCase{"wide", 200, "CPU [##########....................]  33%  2:00 left"},
                    WidthCase{"just_the_whole_bar", 53, "CPU [##########....................]  33%  2:00 left"},
                    WidthCase{"narrower_bar", 40, "CPU [#####............]  33%  2:00 left"},
                    WidthCase{"no_bar", 20, "CPU  33%  2:00 left"},
                    WidthCase{"no_time_left", 12, "CPU  33%"},
                    WidthCase{"cut", 5, "CPU "}),
    [](const testing::TestParamInfo<WidthCase>& info) { return std::string(info.param.name); });

// The terminal narrowed between two redraws: the padding that wipes the
// longer line out stays left of the new last column.
TEST(TermProgress, NarrowedTerminalNeverWraps)
{
    std::ostringstream out;
    int columns = 80;
    TermProgress progress(out, true, [&columns] { return columns; });
    progress.Begin("DSP", 0);
    progress.Show(128, 1000);
    columns = 20;
    out.str("");
    progress.Show(255, 2000);
    EXPECT_EQ(out.str(), "\rDSP 100%  0:00 left");
    columns = 0;  // not known: as wide as it likes
    progress.Begin("DSP", 0);
    out.str("");
    progress.Show(255, 2000);
    EXPECT_EQ(out.str(), "\rDSP [##############################] 100%  0:00 left");
}

// Into a file: one line at each whole ten percent, none twice, none skipped
// when the position jumps.
TEST(TermProgress, PlainLinesAtEachTenPercent)
{
    std::ostringstream out;
    TermProgress progress(out, false);
    progress.Begin("DSP", 0);
    for (int position : {0, 10, 26, 26, 30, 128, 200, 255, 255}) {
        progress.Show(position, 1000);
    }
    progress.End();
    EXPECT_EQ(out.str(), "DSP 10%\nDSP 20%\nDSP 30%\nDSP 40%\nDSP 50%\nDSP 60%\nDSP 70%\nDSP 80%\nDSP 90%\nDSP 100%\n");
}

// On a terminal: the bar drawn again in place only when it changes, a line
// of another kind below it, then the bar again.
TEST(TermProgress, BarRedrawnInPlace)
{
    std::ostringstream out;
    TermProgress progress(out, true);
    progress.Begin("CPU", 0);
    progress.Show(0, 0);
    progress.Interrupt();
    out << "a line\n";
    progress.Show(255, 1000);
    progress.End();
    EXPECT_EQ(out.str(), "\rCPU [..............................]   0%\na line\n"
                         "\rCPU [##############################] 100%  0:00 left\n");
}

} // namespace
