// ShowScene on real widgets laid out like a window: a panel holding the
// rich-text box, two buttons and a progress bar, and the port box on the
// window itself.
#include "NoticeRender.h"
#include "PortBoxList.h"
#include "ScenePresenter.h"
#include "ScenePrint.h"
#include "SysfsTree.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <optional>

namespace {

struct Rect {
    int left, height, top, width;
};
constexpr Rect First{150, 24, 113, 81};
constexpr Rect Second{235, 24, 113, 81};

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

struct Harness {
    QWidget window;
    QWidget* panel = new QWidget(&window);
    QTextEdit* box = new QTextEdit(panel);
    QPushButton* button1 = new QPushButton(panel);
    QPushButton* button2 = new QPushButton(panel);
    QProgressBar* bar = new QProgressBar(panel);
    QComboBox* port = new QComboBox(&window);
    QLineEdit* elsewhere = new QLineEdit(&window);  // holds the focus when no button takes it

    Harness()
    {
        window.resize(434, 175);
        panel->setGeometry(4, 32, 426, 139);
        box->setGeometry(10, 10, 406, 113);
        bar->setGeometry(10, 87, 406, 16);
        port->setEditable(true);
        port->resize(80, 22);
        elsewhere->setGeometry(0, 0, 40, 20);
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
    }

    void Show(Scene scene, const std::optional<std::string>& writeTime = std::nullopt, int portNumber = 1)
    {
        const SceneControls controls{box, button1, button2, bar, port, ToQRect(First), ToQRect(Second)};
        ShowScene(controls, writeTime, portNumber, scene);
    }
};

// What one scene shows, worked out from the scene and notice tables.
struct SceneCase {
    const char* name;
    Scene scene;
    int lines;
    const char* colours;     // one letter a line: r red, b black
    const char* firstLine;
    const char* lastLine;
    const char* caption1;
    const char* caption2;
    bool button1;
    bool button2;
    bool progress;
    bool portBox;
};

void PrintTo(const SceneCase& c, std::ostream* os) { *os << c.name; }

const SceneCase SceneCases[] = {
    {"s00_caution", Scene::Opening, 10, "rrbbbbbrbb", "                                                 === CAUTION ===",
     "                                        Do you agree to all of the above?", "Yes", "No", true, true, false, false},
    // A word joiner after the slash keeps the key name [V/MHz] on one line.
    {"s01_connect", Scene::PortEntry, 3, "bbb",
     "Connect the RX-77 and the PC using with the data cable. While holding down [V/\u2060MHz], [QUICK] and [SQL], push power key to turn power ON. Then please check the backlight is blinking.",
     "Specify the COM port number, then click [OK] button. (1 - 256)", "OK", "Cancel", true, true, false, true},
    {"s02_connecting", Scene::Connecting, 1, "b", "Connecting to the RX-77.", "Connecting to the RX-77.", "", "", false, false, false, false},
    {"s03_downgrade", Scene::ConfirmDowngrade, 3, "bbb", "The currently installed RX-77's firmware is a newer version.",
     "Do you want to continue?", "Yes", "No", true, true, false, false},
    {"s04_confirm", Scene::ConfirmUpdate, 4, "brbb", "Updating the firmware. It will take approx. 3 minutes.",
     "Do you wish to start the firmware update?", "Yes", "No", true, true, true, false},
    {"s05_connecting_progress", Scene::ConnectingToWrite, 1, "b", "Connecting to the RX-77.", "Connecting to the RX-77.", "", "", false, false, true, false},
    {"s06_writing_cpu", Scene::WritingCpu, 3, "bbr", "Updating the firmware in CPU.", "DO NOT turn the RX-77 power OFF.", "", "", false, false, true, false},
    {"s07_writing_dsp", Scene::WritingDsp, 3, "bbr", "Updating the firmware in DSP.", "DO NOT turn the RX-77 power OFF.", "", "", false, false, true, false},
    {"s08_completed", Scene::Completed, 1, "b", "Firmware updating is completed. ", "Firmware updating is completed. ", "OK", "", true, false, false, false},
    {"s09_not_needed", Scene::NotNeeded, 1, "b", "This update is not needed.", "This update is not needed.", "OK", "", true, false, false, false},
    {"s10_no_port", Scene::PortUnavailable, 6, "bbbbbb", "Cannot access COM port.", " - The RX-77 power is ON.", "Retry", "Cancel", true, true, false, false},
    {"s11_no_answer", Scene::NoAnswer, 2, "bb", "No Answer form the RX-77.", "Please check the connection.", "Retry", "Cancel", true, true, false, false},
    {"s12_cannot_update", Scene::CannotUpdate, 1, "b", "The connected RX-77 cannot update.", "The connected RX-77 cannot update.", "OK", "", true, false, false, false},
    {"s13_cpu_transfer", Scene::CpuTransferFailed, 2, "bb", "Cannot transfer the firmware of CPU.", "Please check the connection.", "Retry", "Cancel", true, true, false, false},
    {"s14_dsp_transfer", Scene::DspTransferFailed, 2, "bb", "Cannot transfer the firmware of DSP.", "Please check the connection.", "Retry", "Cancel", true, true, false, false},
    {"s15_cpu_failed", Scene::CpuUpdateFailed, 3, "bbb", "Firmware of CPU updating failed.",
     "Detach the battery pack, then reattach it and try again to update.", "OK", "", true, false, false, false},
    {"s16_dsp_failed", Scene::DspUpdateFailed, 3, "bbb", "Firmware of DSP updating failed.",
     "Detach the battery pack, then reattach it and try again to update.", "OK", "", true, false, false, false},
};

class Scenes : public testing::TestWithParam<SceneCase> {
protected:
    void SetUp() override { ports.Use(); }
    PortFolder ports;  // no port at all
};

TEST_P(Scenes, ShowWhatTheTableSays)
{
    const SceneCase& c = GetParam();
    Harness h;
    h.elsewhere->setFocus();
    h.Show(c.scene, c.scene == Scene::ConfirmUpdate ? std::optional<std::string>("3") : std::nullopt);

    const std::vector<ShownLine> lines = ShownLines(h.box);
    ASSERT_EQ(static_cast<int>(lines.size()), c.lines);
    EXPECT_EQ(lines.front().text.toStdString(), c.firstLine);
    EXPECT_EQ(lines.back().text.toStdString(), c.lastLine);
    EXPECT_EQ(ColourPattern(lines), c.colours);
    for (const ShownLine& line : lines) {
        EXPECT_EQ(line.pointSize, 8.0) << line.text.toStdString();
    }

    EXPECT_EQ(h.button1->text().toStdString(), c.caption1);
    EXPECT_EQ(h.button2->text().toStdString(), c.caption2);
    EXPECT_EQ(!h.button1->isHidden(), c.button1);
    EXPECT_EQ(!h.button2->isHidden(), c.button2);
    EXPECT_EQ(!h.bar->isHidden(), c.progress);
    EXPECT_EQ(!h.port->isHidden(), c.portBox);

    // Without a second button the first stands where the second stood.
    EXPECT_EQ(h.button1->geometry(), c.button2 ? ToQRect(First) : ToQRect(Second));
    EXPECT_EQ(h.button2->geometry(), ToQRect(Second));

    QWidget* expectedFocus = h.elsewhere;
    if (c.button2) {
        expectedFocus = h.button2;
    } else if (c.button1) {
        expectedFocus = h.button1;
    }
    EXPECT_EQ(h.window.focusWidget(), expectedFocus);
}

TEST_P(Scenes, ShownTwiceGiveOneCopy)
{
    const SceneCase& c = GetParam();
    Harness h;
    h.Show(c.scene);
    h.Show(c.scene);
    EXPECT_EQ(static_cast<int>(ShownLines(h.box).size()), c.lines);
    EXPECT_EQ(ColourPattern(ShownLines(h.box)), c.colours);
}

INSTANTIATE_TEST_SUITE_P(Presenter, Scenes, testing::ValuesIn(SceneCases),
                         [](const testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

struct MinutesCase {
    const char* name;
    std::optional<std::string> writeTime;
    const char* firstLine;
};

void PrintTo(const MinutesCase& c, std::ostream* os) { *os << c.name; }

class WriteTime : public testing::TestWithParam<MinutesCase> {};

TEST_P(WriteTime, FillsTheFirstLineOfSceneFour)
{
    Harness h;
    h.Show(Scene::ConfirmUpdate, GetParam().writeTime);
    const std::vector<ShownLine> lines = ShownLines(h.box);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text.toStdString(), GetParam().firstLine);
    EXPECT_EQ(ColourPattern(lines), "brbb");
}

INSTANTIATE_TEST_SUITE_P(
    Presenter, WriteTime,
    testing::Values(MinutesCase{"eight", "8", "Updating the firmware. It will take approx. 8 minutes."},
                    MinutesCase{"seven", "7", "Updating the firmware. It will take approx. 7 minutes."},
                    MinutesCase{"two", "2", "Updating the firmware. It will take approx. 2 minutes."},
                    MinutesCase{"one_is_singular", "1", "Updating the firmware. It will take approx. 1 minute."},
                    MinutesCase{"zero_stays_plural", "0", "Updating the firmware. It will take approx. 0 minutes."},
                    MinutesCase{"none_keeps_placeholder", std::nullopt,
                                "Updating the firmware. It will take approx. [%WRTIME%] minutes."}),
    [](const testing::TestParamInfo<MinutesCase>& info) { return std::string(info.param.name); });

TEST(Presenter, ColourIsSetForEveryLine)
{
    // Black after red and red after black within one box.
    Harness h;
    ShowNotices(h.box, 15, 18, std::string("2"));
    EXPECT_EQ(ColourPattern(ShownLines(h.box)), "bbrb");
    ShowNotices(h.box, 36, 38, std::nullopt);
    EXPECT_EQ(ColourPattern(ShownLines(h.box)), "rbb");
}

TEST(Presenter, RangeOfOneLineAndEmptyRange)
{
    Harness h;
    ShowNotices(h.box, 29, 29, std::nullopt);
    ASSERT_EQ(ShownLines(h.box).size(), 1u);
    EXPECT_EQ(ShownLines(h.box)[0].text, QStringLiteral("The connected RX-77 cannot update."));
    ShowNotices(h.box, 5, 4, std::nullopt);
    EXPECT_TRUE(h.box->document()->isEmpty());
}

TEST(Presenter, PortBoxSitsAboveTheFirstButtonRightAligned)
{
    PortFolder ports;
    ports.Use();
    Harness h;
    h.window.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));  // a gap that differs from the default font's
    h.Show(Scene::PortEntry);
    const int gap = QFontMetrics(h.window.font()).horizontalAdvance(QStringLiteral("WW"));
    EXPECT_EQ(h.port->x() + h.port->width(), h.box->x() + h.box->width());
    EXPECT_EQ(h.port->y(), First.top - h.port->height() - gap);
}

TEST(Presenter, EmptyPortBoxWithoutPortsShowsOne)
{
    PortFolder ports;
    ports.Use();
    Harness h;
    h.Show(Scene::PortEntry, std::nullopt, 9);
    EXPECT_EQ(h.port->count(), 0);
    EXPECT_EQ(h.port->currentText(), QStringLiteral("1"));
}

TEST(Presenter, EmptyPortBoxOffersTheLowestPortWithItsDevice)
{
    PortFolder ports;
    const std::string dev10 = ports.AddPty(10);
    const std::string dev3 = ports.AddPty(3);
    ASSERT_FALSE(dev3.empty());
    ports.Use();
    Harness h;
    h.Show(Scene::PortEntry, std::nullopt, 9);
    ASSERT_EQ(h.port->count(), 2);
    EXPECT_EQ(h.port->itemText(0), QStringLiteral("3"));
    EXPECT_EQ(h.port->itemText(1), QStringLiteral("10"));
    EXPECT_EQ(h.port->currentText(), QStringLiteral("3"));
    EXPECT_EQ(h.port->itemData(0, Qt::ToolTipRole).toString().toStdString(), "COM3  " + dev3);
    EXPECT_EQ(h.port->itemData(1, Qt::ToolTipRole).toString().toStdString(), "COM10  " + dev10);
}

// The tool tip of a port is the line --list-ports prints for it: the
// device and what the adapter behind it says about itself.
TEST(Presenter, PortToolTipNamesTheAdapterBehindThePort)
{
    PortFolder ports;
    const std::string usb = ports.AddPty(5);
    const std::string plain = ports.AddPty(2);
    SysfsTree sys;
    ASSERT_TRUE(sys.AddUsbTty(usb, "ttyUSB0", {"0403", "6001", "FTDI", "FT232R USB UART", "A10K3XYZ"}));
    ports.Use();
    Harness h;
    FillPortList(h.port, sys.Root());
    ASSERT_EQ(h.port->count(), 2);
    EXPECT_EQ(h.port->itemData(0, Qt::ToolTipRole).toString().toStdString(), "COM2  " + plain);
    EXPECT_EQ(h.port->itemData(1, Qt::ToolTipRole).toString().toStdString(),
              "COM5  " + usb + "  FTDI FT232R USB UART  0403:6001  serial A10K3XYZ");
}

TEST(Presenter, PortBoxWithTextShowsThePortNumberAndKeepsItsList)
{
    PortFolder ports;
    ports.AddPty(4);
    ports.Use();
    Harness h;
    h.port->addItem(QStringLiteral("42"));
    h.port->setEditText(QStringLiteral("5"));
    h.Show(Scene::PortEntry, std::nullopt, 9);
    EXPECT_EQ(h.port->currentText(), QStringLiteral("9"));
    ASSERT_EQ(h.port->count(), 1);
    EXPECT_EQ(h.port->itemText(0), QStringLiteral("42"));
}

TEST(Presenter, SceneTwoLeavesTheFocusAlone)
{
    Harness h;
    h.Show(Scene::PortEntry);
    h.elsewhere->setFocus();
    h.Show(Scene::Connecting);
    EXPECT_EQ(h.window.focusWidget(), h.elsewhere);
}

TEST(Presenter, SceneOutsideTheTableChangesNothing)
{
    Harness h;
    h.Show(Scene::NotNeeded);
    h.Show(static_cast<Scene>(SceneCount));
    h.Show(static_cast<Scene>(-1));
    EXPECT_EQ(ShownLines(h.box).front().text, QStringLiteral("This update is not needed."));
    EXPECT_EQ(h.button1->text(), QStringLiteral("OK"));
}

} // namespace
