#include "NoticeTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(Notices, ColoursAreRedExactlyOnTheWarningLines)
{
    const std::set<int> red = {0, 1, 7, 17, 36, 39};
    for (int i = 0; i < NoticeCount; ++i) {
        EXPECT_EQ(GetNotice(i).color, red.count(i) ? 0x000000FFu : 0u) << "entry " << i;
    }
}

TEST(Notices, ExactTexts)
{
    EXPECT_EQ(GetNotice(0).text, std::string(49, ' ') + "=== CAUTION ===");
    EXPECT_EQ(GetNotice(9).text, std::string(40, ' ') + "Do you agree to all of the above?");
    EXPECT_EQ(GetNotice(4).text, "Please attach a fully charged battery pack to the RX-77. ");
    EXPECT_EQ(GetNotice(17).text, "DO NOT turn the RX-77 power OFF until \"Completed\" message is displayed.");
    EXPECT_EQ(GetNotice(20).text, "Connecting to the RX-77.");
    EXPECT_EQ(GetNotice(27).text, "No Answer form the RX-77.");
    EXPECT_EQ(GetNotice(40).text, "Firmware updating is completed. ");
    EXPECT_EQ(GetNotice(47).text, "Detach the battery pack, then reattach it and try again to update.");
    for (int i : {2, 5, 8, 11, 18, 22, 43, 46}) {
        EXPECT_EQ(GetNotice(i).text, " ") << "spacer " << i;
    }
}

struct WriteTimeCase {
    const char* name;
    int index;
    std::optional<std::string> writeTime;
    std::string expected;
};

void PrintTo(const WriteTimeCase& c, std::ostream* os) { *os << c.name; }

class NoticeWriteTime : public testing::TestWithParam<WriteTimeCase> {};

TEST_P(NoticeWriteTime, FillsThePlaceholder)
{
    EXPECT_EQ(NoticeText(GetParam().index, GetParam().writeTime), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Notices, NoticeWriteTime,
    testing::Values(
        WriteTimeCase{"none", 16, std::nullopt, "Updating the firmware. It will take approx. [%WRTIME%] minutes."},
        WriteTimeCase{"three", 16, "3", "Updating the firmware. It will take approx. 3 minutes."},
        WriteTimeCase{"one", 16, "1", "Updating the firmware. It will take approx. 1 minute."},
        WriteTimeCase{"zero", 16, "0", "Updating the firmware. It will take approx. 0 minutes."},
        WriteTimeCase{"two", 16, "2", "Updating the firmware. It will take approx. 2 minutes."},
        WriteTimeCase{"eight", 16, "8", "Updating the firmware. It will take approx. 8 minutes."},
        WriteTimeCase{"other_line_untouched", 19, "1", "Do you wish to start the firmware update?"}),
    [](const testing::TestParamInfo<WriteTimeCase>& info) { return std::string(info.param.name); });

TEST(Notices, ReplaceFirstOnlyOnce)
{
    std::string text = "a-b-c";
    EXPECT_TRUE(ReplaceFirst(text, "-", "+"));
    EXPECT_EQ(text, "a+b-c");
    EXPECT_FALSE(ReplaceFirst(text, "x", "y"));
    EXPECT_EQ(text, "a+b-c");
}

} // namespace
