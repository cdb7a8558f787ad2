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
