// Ending the program while the worker ticks: no tick reaches a window or a
// sequencer that is going, nothing waits on itself, nothing crashes.
#include "MainWindowFixture.h"

#include <QMessageBox>
#include <QTimer>

namespace {

class Shutdown : public WindowsFixture {};

TEST_F(Shutdown, HundredWindowsDestroyedWhileTicking)
{
    for (int round = 0; round < 100; ++round) {
        Create(true);
        OpenMain();
        // Let the worker deliver some ticks, then end in the middle of it.
        QDeadlineTimer deadline(3 + round % 7);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
        form->Button_ExitClick();
        ASSERT_EQ(EndCount(), 1);
        Destroy();
    }
}

TEST_F(Shutdown, WorkerTicksWhileTheWindowIsHidden)
{
    Create(true);
    // The sequencer comes to rest through ticks alone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Sequencer().CanStart(); }, 10000));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Shutdown, TicksRunInsideAnOpenMessageBox)
{
    Create(true);
    OpenMain();
    PortBox()->setEditText(QStringLiteral("0"));
    form->SetMessageDisplay(ShowMessageBox);  // the real box this time
    // Inside the box's own loop: OK is switched off by hand; a tick turns it
    // on again (the sequencer can start), and then the box is closed.
    bool switchedOff = false;
    bool tickInside = false;
    QDeadlineTimer deadline(5000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            if (!switchedOff) {
                Ok()->setEnabled(false);
                switchedOff = true;
            } else if (Ok()->isEnabled() || deadline.hasExpired()) {
                tickInside = Ok()->isEnabled();
                box->accept();
            }
        }
    });
    poll.start(5);
    form->Button_StartClick();
    poll.stop();
    EXPECT_TRUE(switchedOff);
    EXPECT_TRUE(tickInside);
    EXPECT_EQ(form->CurrentScene(), Scene::PortEntry);
}

} // namespace
