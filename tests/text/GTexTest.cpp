#include "OvlTable.h"
#include "clsGTex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string Err = clsGTex::ErrorText;

// A line table source that records which lines were read.
class CountingSource : public LineSource {
public:
    CountingSource(const char* const* table, int count) { inner.SetTable(table, count); }
    void OpenSource() override { inner.OpenSource(); }
    bool IsOpen() const override { return inner.IsOpen(); }
    bool ReadLine(char* buffer, int capacity) override
    {
        const int at = inner.GetPosition();
        const bool ok = inner.ReadLine(buffer, capacity);
        if (ok) {
            linesRead.push_back(at);
        }
        return ok;
    }
    int GetPosition() const override { return inner.GetPosition(); }
    bool SetPosition(int position) override { return inner.SetPosition(position); }

    std::vector<int> linesRead;

private:
    TableLineSource inner;
};

struct Lookup {
    const char* key;
    int index;
    std::string expected;
};

struct LookupCase {
    const char* name;
    std::vector<Lookup> lookups;  // made in order on one fresh catalogue
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class BuiltInLookups : public testing::TestWithParam<LookupCase> {};

TEST_P(BuiltInLookups, YieldTheLinesInOrder)
{
    clsGTex gtex;
    ASSERT_EQ(gtex.SetLines(OvlTable, OvlTableCount), 1);
    for (const Lookup& l : GetParam().lookups) {
        EXPECT_EQ(gtex.GetText(l.key, l.index), l.expected) << l.key << " line " << l.index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, BuiltInLookups,
    testing::Values(
        LookupCase{"marker", {{"Sys_Ovl", 0, "OVL"}}},
        LookupCase{"form_size_in_order", {{"Sys_Form_Size", 0, "440"}, {"Sys_Form_Size", 1, "200"}}},
        LookupCase{"lower_line_after_higher", {{"Sys_Form_Size", 1, "200"}, {"Sys_Form_Size", 0, "440"}}},
        LookupCase{"same_line_twice", {{"Sys_AppTitle", 0, "RX-77NOVA Firm Update (Release E2)"},
                                       {"Sys_AppTitle", 0, "RX-77NOVA Firm Update (Release E2)"}}},
        LookupCase{"lines_counted_across_next_key",
                   {{"Sys_Ovl", 1, ""}, {"Sys_Ovl", 2, "//==== Application title ===="}, {"Sys_Ovl", 3, "#Sys_AppTitle"}}},
        LookupCase{"missing_key_then_later_hit", {{"Sys_AppTitl", 0, Err}, {"Seq_Mess_Cancel", 0, "* Cancel *"}}},
        LookupCase{"end_key_line_zero_runs_off", {{"End_Of_Ovl", 0, Err}}},
        LookupCase{"empty_key_never_matches", {{"", 0, Err}}},
        LookupCase{"negative_line", {{"Sys_Form_Size", -1, Err}, {"Sys_Ovl", -5, Err}, {"Sys_Form_Size", 0, "440"}}},
        LookupCase{"case_matters", {{"sys_ovl", 0, Err}, {"Sys_Ovl", 0, "OVL"}}},
        LookupCase{"filter_line_whole", {{"App_Dialog_FOpen", 0, "mot"},
                                         {"App_Dialog_FOpen", 1, "ROM image files (*.mot)|*.mot|All files (*.*)|*.*"}}},
        LookupCase{"trailing_blank_kept", {{"Seq_Mess_Error_Top", 0, "Error "}}},
        LookupCase{"last_error_line", {{"Seq_Mess_Error_Main", 13,
                                        "Version          @$@The wrong firmware version is selected.@$@Confirm the firmware version."}}},
        LookupCase{"past_the_end_of_a_key", {{"Seq_Mess_Error_Main", 14, ""}, {"Seq_Mess_Error_Main", 15, "#End_Of_Ovl"},
                                             {"Seq_Mess_Error_Main", 16, Err}}}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

TEST(Catalogue, MarkerLookupReadsOnlyUpToItsKey)
{
    CountingSource source(OvlTable, OvlTableCount);
    clsGTex gtex;
    ASSERT_EQ(gtex.SetSource(&source), 1);
    EXPECT_EQ(gtex.GetText("Sys_Ovl", 0), "OVL");
    EXPECT_EQ(source.linesRead, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(Catalogue, ConsecutiveLinesReadEachSourceLineOnce)
{
    CountingSource source(OvlTable, OvlTableCount);
    clsGTex gtex;
    gtex.SetSource(&source);
    ASSERT_EQ(gtex.GetText("App_MenuList", 0), "+&File");
    source.linesRead.clear();
    EXPECT_EQ(gtex.GetText("App_MenuList", 1), " +&Open");
    EXPECT_EQ(gtex.GetText("App_MenuList", 2), " +E&xit");
    EXPECT_EQ(source.linesRead, (std::vector<int>{31, 32}));
}

TEST(Catalogue, IndexedKeyNeedsNoScan)
{
    CountingSource source(OvlTable, OvlTableCount);
    clsGTex gtex;
    gtex.SetSource(&source);
    gtex.GetText("Sys_Ovl", 0);
    EXPECT_EQ(gtex.GetText("Sys_Form_Size", 0), "440");  // scans on to line 13
    source.linesRead.clear();
    EXPECT_EQ(gtex.GetText("Sys_AppTitle", 0), "RX-77NOVA Firm Update (Release E2)");
    EXPECT_EQ(source.linesRead, (std::vector<int>{10}));
}

TEST(Catalogue, MissingKeyScansToTheEndKeyOnce)
{
    CountingSource source(OvlTable, OvlTableCount);
    clsGTex gtex;
    gtex.SetSource(&source);
    EXPECT_EQ(gtex.GetText("Nowhere", 0), Err);
    ASSERT_FALSE(source.linesRead.empty());
    EXPECT_EQ(source.linesRead.back(), 157);
    source.linesRead.clear();
    EXPECT_EQ(gtex.GetText("Nowhere", 0), Err);
    EXPECT_EQ(gtex.GetText("Seq_Mess_Cancel", 0), "* Cancel *");
    EXPECT_EQ(source.linesRead, (std::vector<int>{136}));
}

TEST(Catalogue, SecondSetLinesIsRefused)
{
    const char* const other[] = {"#Sys_Ovl", "XYZ"};
    clsGTex gtex;
    EXPECT_EQ(gtex.SetLines(OvlTable, OvlTableCount), 1);
    EXPECT_EQ(gtex.SetLines(other, 2), 0);
    EXPECT_EQ(gtex.GetText("Sys_Ovl", 0), "OVL");
}

TEST(Catalogue, LookupBeforeSetLinesFailsForGood)
{
    clsGTex gtex;
    EXPECT_EQ(gtex.GetText("Sys_Ovl", 0), Err);
    EXPECT_EQ(gtex.SetLines(OvlTable, OvlTableCount), 1);
    EXPECT_EQ(gtex.GetText("Sys_Ovl", 0), Err);
}

TEST(Catalogue, LongLineIsCutAndTheNextLineFollows)
{
    const std::string longLine(1500, 'a');
    const std::string exact(1021, 'b');
    const std::string oneOver(1022, 'c');
    const char* const table[] = {"#K", longLine.c_str(), "next", exact.c_str(), oneOver.c_str(), "#End_Of_Ovl"};
    clsGTex gtex;
    gtex.SetLines(table, 6);
    EXPECT_EQ(gtex.GetText("K", 0), std::string(1022, 'a'));
    EXPECT_EQ(gtex.GetText("K", 1), "next");
    EXPECT_EQ(gtex.GetText("K", 2), exact);
    EXPECT_EQ(gtex.GetText("K", 3), oneOver);
}

TEST(Catalogue, HashLineAloneIsNoKeyAndFirstDuplicateWins)
{
    const char* const table[] = {"#", "x", "#A", "first", "#A", "second", "#End_Of_Ovl", "#After", "late"};
    clsGTex gtex;
    gtex.SetLines(table, 9);
    EXPECT_EQ(gtex.GetText("A", 0), "first");
    EXPECT_EQ(gtex.GetText("After", 0), Err);  // beyond the end key: never indexed
    EXPECT_EQ(gtex.GetText("", 0), Err);
}

TEST(Catalogue, TableWithoutEndKeyStopsAtItsLastLine)
{
    const char* const table[] = {"#A", "1", "#B", "2"};
    clsGTex gtex;
    gtex.SetLines(table, 4);
    EXPECT_EQ(gtex.GetText("C", 0), Err);
    EXPECT_EQ(gtex.GetText("B", 0), "2");
    EXPECT_EQ(gtex.GetText("B", 1), Err);
}

TEST(Catalogue, BuiltInTableShape)
{
    EXPECT_STREQ(OvlTable[0], "//----------------------------------------------");
    EXPECT_STREQ(OvlTable[5], "#Sys_Ovl");
    EXPECT_STREQ(OvlTable[66], "#");
    EXPECT_STREQ(OvlTable[88], "WaitEcho         @");
    EXPECT_STREQ(OvlTable[131], "Completed        @[OK]@$@$@Completed @(No.@%C@).@$");
    EXPECT_STREQ(OvlTable[157], "#End_Of_Ovl");
    for (int i = 0; i < OvlTableCount; ++i) {
        for (const char* p = OvlTable[i]; *p != '\0'; ++p) {
            EXPECT_LT(static_cast<unsigned char>(*p), 0x80) << "line " << i;
        }
    }
    for (int i = 88; i <= 131; ++i) {
        ASSERT_GE(std::string(OvlTable[i]).size(), 18u) << i;
        EXPECT_EQ(OvlTable[i][17], '@') << "line " << i;
    }
}

} // namespace
