// The options of several radios at once: the ports in either form, --all,
// --retry, and what does not go together.
#include "MultiMain.h"
#include "TermOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Mode = TermOptions::Mode;

struct SeveralCase {
    const char* name;
    std::vector<std::string> args;
    Mode mode;
    std::vector<int> ports;
    bool all;
    int retry;
    bool several;          // the terminal form for several radios
    const char* errorHas;  // with Invalid
};

void PrintTo(const SeveralCase& c, std::ostream* os) { *os << c.name; }

class MultiOptionsParse : public testing::TestWithParam<SeveralCase> {};

TEST_P(MultiOptionsParse, ReadsThePortsAndTheTries)
{
    const SeveralCase& c = GetParam();
    const TermOptions options = ParseTermOptions(c.args);
    ASSERT_EQ(options.mode, c.mode) << options.error;
    if (c.mode == Mode::Invalid) {
        EXPECT_NE(options.error.find(c.errorHas), std::string::npos) << options.error;
        return;
    }
    EXPECT_EQ(options.ports, c.ports);
    EXPECT_EQ(options.port, c.ports.empty() ? 0 : c.ports.front());
    EXPECT_EQ(options.all, c.all);
    EXPECT_EQ(options.retry, c.retry);
    EXPECT_EQ(AsksForSeveral(options), c.several);
}

INSTANTIATE_TEST_SUITE_P(
    Several, MultiOptionsParse,
    testing::Values(
        SeveralCase{"one_port_is_the_single_form", {"--port", "5"}, Mode::Update, {5}, false, 0, false, ""},
        SeveralCase{"repeated_ports", {"--port", "5", "--port", "7", "--port=9"}, Mode::Update, {5, 7, 9}, false, 0, true, ""},
        SeveralCase{"comma_list", {"--port", "5,7,9", "--agree"}, Mode::Update, {5, 7, 9}, false, 0, true, ""},
        SeveralCase{"list_and_more", {"--port=3,4", "--port", "10"}, Mode::Update, {3, 4, 10}, false, 0, true, ""},
        SeveralCase{"all", {"--all", "--yes"}, Mode::Update, {}, true, 0, true, ""},
        SeveralCase{"retry_one_radio", {"--port", "5", "--retry", "2"}, Mode::Update, {5}, false, 2, true, ""},
        SeveralCase{"retry_with_equals", {"--all", "--retry=1"}, Mode::Update, {}, true, 1, true, ""},
        SeveralCase{"same_port_twice", {"--port", "5,5"}, Mode::Invalid, {}, false, 0, false, "given twice"},
        SeveralCase{"same_port_again", {"--port", "5", "--port", "5"}, Mode::Invalid, {}, false, 0, false, "given twice"},
        SeveralCase{"empty_in_list", {"--port", "5,,7"}, Mode::Invalid, {}, false, 0, false, "\"5,,7\""},
        SeveralCase{"trailing_comma", {"--port", "5,"}, Mode::Invalid, {}, false, 0, false, "\"5,\""},
        SeveralCase{"out_of_range_in_list", {"--port", "5,300"}, Mode::Invalid, {}, false, 0, false, "outside the range"},
        SeveralCase{"all_and_port", {"--all", "--port", "5"}, Mode::Invalid, {}, false, 0, false, "without --port"},
        SeveralCase{"retry_not_a_number", {"--port", "5", "--retry", "x"}, Mode::Invalid, {}, false, 0, false, "\"x\""},
        SeveralCase{"retry_without_value", {"--port", "5", "--retry"}, Mode::Invalid, {}, false, 0, false, "needs a value"},
        SeveralCase{"retry_alone", {"--retry", "2"}, Mode::Invalid, {}, false, 0, false, "--all"}),
    [](const testing::TestParamInfo<SeveralCase>& info) { return std::string(info.param.name); });

// --all asks the USB adapters only: a legacy port has no USB vendor.
TEST(MultiOptions, AllAsksTheUsbPortsOnly)
{
    std::vector<PortInfo> ports(3);
    ports[0].number = 1;
    ports[0].device = "/dev/ttyS0";
    ports[1].number = 5;
    ports[1].device = "/dev/ttyUSB0";
    ports[1].vendorId = "0403";
    ports[2].number = 6;
    ports[2].device = "/dev/ttyACM0";
    ports[2].vendorId = "2341";
    EXPECT_EQ(UsbSerialPorts(ports), (std::vector<int> {5, 6}));
}

// --help names the new options.
TEST(MultiOptions, HelpNamesThem)
{
    const std::string help = UsageText("rx77nova-update");
    for (const char* part : {"--port N,M", "--all", "--retry N"}) {
        EXPECT_NE(help.find(part), std::string::npos) << part;
    }
}

} // namespace
