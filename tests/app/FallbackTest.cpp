// What the windows do when what they read is not there or not usable.
#include "AppWindows.h"
#include "EnvVariable.h"
#include "OvlTable.h"
#include "PortBoxList.h"
#include "TempDir.h"
#include "clsGTex.h"
#include "clsMainSeq.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QComboBox>

#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct FormSizeCase {
    const char* name;
    const char* key;     // the key line as the catalogue holds it
    const char* width;
    const char* height;
    QSize client;        // the window's inside
};

void PrintTo(const FormSizeCase& c, std::ostream* os) { *os << c.name; }

class FormSize : public testing::TestWithParam<FormSizeCase> {};

// A size that is missing or not a number keeps the built-in 440 x 200
// (outside; 434 x 175 inside).
TEST_P(FormSize, ComesFromTheCatalogueOrTheBuiltInSize)
{
    const FormSizeCase& c = GetParam();
    std::vector<const char*> lines(OvlTable, OvlTable + OvlTableCount);
    for (size_t i = 0; i + 2 < lines.size(); ++i) {
        if (std::strcmp(lines[i], "#Sys_Form_Size") == 0) {
            lines[i] = c.key;
            lines[i + 1] = c.width;
            lines[i + 2] = c.height;
        }
    }
    clsGTex catalogue;
    ASSERT_EQ(catalogue.SetLines(lines.data(), static_cast<int>(lines.size())), 1);
    AppWindows windows(catalogue, std::make_unique<clsMainSeq>(), false);
    EXPECT_EQ(windows.Main().size(), c.client);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, FormSize,
    testing::Values(FormSizeCase{"built_in", "#Sys_Form_Size", "440", "200", QSize(434, 175)},
                    FormSizeCase{"other_size", "#Sys_Form_Size", "500", "300", QSize(494, 275)},
                    FormSizeCase{"not_numbers", "#Sys_Form_Size", "wide", "tall", QSize(434, 175)},
                    FormSizeCase{"missing", "#Sys_Form_Sized", "500", "300", QSize(434, 175)}),
    [](const testing::TestParamInfo<FormSizeCase>& info) { return std::string(info.param.name); });

// With no port to offer, the list stays empty and what the user typed stays.
TEST(PortList, NoPortsKeepsTheTypedText)
{
    TempDir ports;
    ASSERT_TRUE(ports.Ok());
    EnvVariable folder("RX77NOVA_PORT_DIR", ports.Path());
    QComboBox box;
    box.setEditable(true);
    box.addItem(QStringLiteral("9"));
    box.setEditText(QStringLiteral("7"));
    FillPortList(&box);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.currentText(), QStringLiteral("7"));
}

} // namespace
