#include "ExitStatus.h"
#include "TermOptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Mode = TermOptions::Mode;

struct OptionCase {
    const char* name;
    std::vector<std::string> args;
    const char* traceVariable;
    Mode mode;
    int port;
    bool agree;
    bool yes;
    bool trace;
    const char* errorHas;  // a part of the error text, with Invalid
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

class TermOptionsParse : public testing::TestWithParam<OptionCase> {};

TEST_P(TermOptionsParse, ReadsTheCommandLine)
{
    const OptionCase& c = GetParam();
    const TermOptions options = ParseTermOptions(c.args, c.traceVariable);
    EXPECT_EQ(options.mode, c.mode) << options.error;
    if (c.mode == Mode::Invalid) {
        EXPECT_NE(options.error.find(c.errorHas), std::string::npos) << options.error;
        return;
    }
    EXPECT_EQ(options.port, c.port);
    EXPECT_EQ(options.agree, c.agree);
    EXPECT_EQ(options.yes, c.yes);
    EXPECT_EQ(options.trace, c.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Options, TermOptionsParse,
    testing::Values(
        OptionCase{"nothing_is_the_window", {}, nullptr, Mode::Window, 0, false, false, false, ""},
        OptionCase{"port_alone", {"--port", "5"}, nullptr, Mode::Update, 5, false, false, false, ""},
        OptionCase{"port_with_equals", {"--port=256"}, nullptr, Mode::Update, 256, false, false, false, ""},
        OptionCase{"everything", {"--agree", "--port", "1", "--yes", "--trace"}, nullptr, Mode::Update, 1, true, true, true, ""},
        OptionCase{"trace_from_the_environment", {"--port", "7"}, "1", Mode::Update, 7, false, false, true, ""},
        OptionCase{"environment_other_than_one", {"--port", "7"}, "0", Mode::Update, 7, false, false, false, ""},
        OptionCase{"list_ports", {"--list-ports"}, nullptr, Mode::ListPorts, 0, false, false, false, ""},
        OptionCase{"help", {"--help"}, nullptr, Mode::Help, 0, false, false, false, ""},
        OptionCase{"short_help_wins", {"--port", "3", "-h"}, nullptr, Mode::Help, 3, false, false, false, ""},
        OptionCase{"port_zero", {"--port", "0"}, nullptr, Mode::Invalid, 0, false, false, false, "outside the range"},
        OptionCase{"port_257", {"--port", "257"}, nullptr, Mode::Invalid, 0, false, false, false, "outside the range"},
        OptionCase{"port_not_a_number", {"--port", "COM5"}, nullptr, Mode::Invalid, 0, false, false, false, "\"COM5\""},
        OptionCase{"port_without_number", {"--port"}, nullptr, Mode::Invalid, 0, false, false, false, "needs a COM port"},
        OptionCase{"agree_without_port", {"--agree"}, nullptr, Mode::Invalid, 0, false, false, false, "go with --port"},
        OptionCase{"unknown_option", {"--port", "2", "--force"}, nullptr, Mode::Invalid, 0, false, false, false, "--force"}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST(TermOptions, OnlyTheTerminalFormsOptionsKeepTheWindowsAway)
{
    EXPECT_FALSE(AsksForTerminal({}));
    EXPECT_FALSE(AsksForTerminal({"-platform", "offscreen"}));  // the toolkit's
    EXPECT_TRUE(AsksForTerminal({"--list-ports"}));
    EXPECT_TRUE(AsksForTerminal({"--port=3"}));
    EXPECT_TRUE(AsksForTerminal({"-style", "fusion", "--help"}));
}

// --help and the manual page give every exit status of the one table.
TEST(TermExitStatus, HelpAndManualPageListEveryStatus)
{
    const std::string help = UsageText("rx77nova-update");
    std::ifstream page(RX_MANUAL_PAGE);
    ASSERT_TRUE(page.good()) << RX_MANUAL_PAGE;
    std::stringstream pageText;
    pageText << page.rdbuf();
    for (const ExitStatusRow& row : ExitStatusTable()) {
        std::string number = std::to_string(row.status);
        number.resize(4, ' ');
        EXPECT_NE(help.find("  " + number + row.meaning + "\n"), std::string::npos) << row.status;
        EXPECT_NE(pageText.str().find(".B " + std::to_string(row.status) + "\n" + row.meaning + "\n"), std::string::npos)
            << "the manual page lacks status " << row.status << " (" << row.meaning << ")";
    }
}

TEST(TermExitStatus, FailureScenesEndWithTheirNumbers)
{
    for (int n = 0; n < SceneCount; ++n) {
        const Scene scene = static_cast<Scene>(n);
        const int expected = n == 8 || n == 9 ? 0 : n >= 10 ? n : -1;
        EXPECT_EQ(ExitStatusOfScene(scene), expected) << "scene " << n;
    }
}

} // namespace
