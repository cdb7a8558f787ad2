#include "ExitStatus.h"
#include "TermOptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
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
        OptionCase{"unknown_option", {"--port", "2", "--force"}, nullptr, Mode::Invalid, 0, false, false, false, "--force"},
        OptionCase{"misspelt_port", {"--prot", "3"}, nullptr, Mode::Invalid, 0, false, false, false, "unknown option \"--prot\""},
        OptionCase{"short_port_is_unknown", {"-p", "3"}, nullptr, Mode::Invalid, 0, false, false, false, "unknown option \"-p\""},
        OptionCase{"version", {"--version"}, nullptr, Mode::Version, 0, false, false, false, ""},
        OptionCase{"help_wins_over_version", {"--version", "--help"}, nullptr, Mode::Help, 0, false, false, false, ""},
        OptionCase{"same_port_twice", {"--port", "3", "--port", "3"}, nullptr, Mode::Invalid, 0, false, false, false, "COM port 3 is given twice"},
        OptionCase{"same_port_twice_in_both_forms", {"--port=3", "--port", "3"}, nullptr, Mode::Invalid, 0, false, false, false, "COM port 3 is given twice"},
        OptionCase{"agree_twice", {"--port", "3", "--agree", "--agree"}, nullptr, Mode::Invalid, 0, false, false, false, "--agree is given twice"},
        OptionCase{"help_twice", {"-h", "--help"}, nullptr, Mode::Invalid, 0, false, false, false, "--help is given twice"},
        OptionCase{"a_port_named_like_an_option_value", {"--port", "3", "--yes"}, nullptr, Mode::Update, 3, false, true, false, ""},
        OptionCase{"list_ports_with_port", {"--list-ports", "--port", "3"}, nullptr, Mode::Invalid, 0, false, false, false, "--list-ports goes alone"},
        OptionCase{"list_ports_with_trace", {"--trace", "--list-ports"}, nullptr, Mode::Invalid, 0, false, false, false, "--list-ports goes alone"},
        OptionCase{"help_wins_over_list_ports", {"--list-ports", "--help"}, nullptr, Mode::Help, 0, false, false, false, ""},
        OptionCase{"window_option_in_the_terminal", {"--port", "3", "-platform", "offscreen"}, nullptr, Mode::Invalid, 0, false, false, false, "an option of the window"}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

// Only the toolkit's own options start the windows; anything else is the
// terminal form's to take or refuse, so that a mistyped option never starts
// a window silently.
TEST(TermOptions, AnythingButTheToolkitsOptionsKeepsTheWindowsAway)
{
    const struct {
        std::vector<std::string> args;
        bool terminal;
    } cases[] = {
        {{}, false},
        {{"-platform", "offscreen"}, false},
        {{"--platform", "offscreen"}, false},
        {{"-platform=offscreen", "-reverse"}, false},
        {{"-style", "fusion", "-display", ":1"}, false},
        {{"--list-ports"}, true},
        {{"--port=3"}, true},
        {{"-style", "fusion", "--help"}, true},
        {{"--prot", "3"}, true},
        {{"-p", "3"}, true},
        {{"--version"}, true},
        {{"--bogus"}, true},
        {{"stray"}, true},
        {{"-platform"}, true},  // its value missing: the terminal form says so
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) {
            joined += a + " ";
        }
        EXPECT_EQ(AsksForTerminal(c.args), c.terminal) << joined;
    }
}

TEST(TermOptions, VersionIsTheProjects)
{
    EXPECT_EQ(VersionText("rx77nova-update"), std::string("rx77nova-update ") + RX_VERSION + "\n");
}

std::string FileText(const char* path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// How many times part occurs in text.
int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// --help, the manual page and the README's one table give every exit
// status of the one table, each once, and no status the table lacks.
TEST(TermExitStatus, HelpManualPageAndReadmeListEveryStatus)
{
    const std::string help = UsageText("rx77nova-update");
    const std::string page = FileText(RX_MANUAL_PAGE);
    const std::string readme = FileText(RX_README);
    ASSERT_FALSE(page.empty()) << RX_MANUAL_PAGE;
    ASSERT_FALSE(readme.empty()) << RX_README;
    for (const ExitStatusRow& row : ExitStatusTable()) {
        std::string number = std::to_string(row.status);
        number.resize(4, ' ');
        EXPECT_EQ(Occurrences(help, "  " + number + row.meaning + "\n"), 1) << row.status;
        EXPECT_EQ(Occurrences(page, ".B " + std::to_string(row.status) + "\n" + row.meaning + "\n"), 1)
            << "the manual page lacks status " << row.status << " (" << row.meaning << ")";
        EXPECT_EQ(Occurrences(readme, "\n| " + std::to_string(row.status) + " | " + row.meaning + " |\n"), 1)
            << "the README lacks status " << row.status << " (" << row.meaning << ")";
    }
    // Nothing beyond the table's rows: a status row is a number alone.
    const auto count = [](const std::string& text, const std::regex& row) {
        return std::distance(std::sregex_iterator(text.begin(), text.end(), row), std::sregex_iterator());
    };
    const auto rows = static_cast<std::ptrdiff_t>(ExitStatusTable().size());
    EXPECT_EQ(count(page, std::regex(R"(\n\.B [0-9]+\n)")), rows) << "the manual page's exit statuses";
    EXPECT_EQ(count(readme, std::regex(R"(\n\| [0-9]+ \| )")), rows) << "one exit-status table in the README";
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
