// Every scene of both windows, laid out with the fonts at hand: each line
// of the notice text lies inside the visible part of the text area and
// clear of the buttons, the progress bar and the port box.
#include "MainWindowFixture.h"
#include "SeqEvents.h"
#include "Targets.h"
#include "WindowKit.h"

#include <QAbstractTextDocumentLayout>
#include <QFontInfo>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <cstdio>

namespace {

using enum SeqEvent;

// The rectangle of w in its window's coordinates.
QRect InWindow(const QWidget* w)
{
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

struct Figures {
    int lines = 0;
    int lastBottom = 0;  // the last line's bottom edge, window coordinates
    int firstBelow = 0;  // the top of the highest control below the text
};

// Checks every line of box against its visible part and the obstacles
// (those shown); the figures of the check.
Figures CheckLines(QTextEdit* box, const QList<QWidget*>& obstacles, const std::string& scene)
{
    Figures figures;
    QWidget* window = box->window();
    box->document()->setTextWidth(box->viewport()->width());
    const QRect visible = InWindow(box->viewport()) & window->rect();
    figures.firstBelow = visible.bottom() + 1;
    for (const QWidget* obstacle : obstacles) {
        if (obstacle->isVisibleTo(window)) {
            figures.firstBelow = std::min(figures.firstBelow, InWindow(obstacle).top());
        }
    }
    const QPoint origin = visible.topLeft();
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        const QPointF blockAt = box->document()->documentLayout()->blockBoundingRect(block).topLeft();
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QRect shown = line.naturalTextRect().translated(blockAt).toAlignedRect().translated(origin);
            ++figures.lines;
            figures.lastBottom = std::max(figures.lastBottom, shown.bottom() + 1);
            const QString words = block.text().mid(line.textStart(), line.textLength());
            // A key's name such as [V/MHz] is never split over two lines.
            EXPECT_FALSE(words.trimmed().endsWith(QChar(u'/')) || words.trimmed().endsWith(QChar(u'\u2060')))
                << scene << ": \"" << words.toStdString() << "\"";
            EXPECT_TRUE(visible.contains(shown)) << scene << ": \"" << words.toStdString() << "\" at "
                                                 << shown.y() << ".." << shown.bottom() << " outside "
                                                 << visible.y() << ".." << visible.bottom();
            for (const QWidget* obstacle : obstacles) {
                if (obstacle->isVisibleTo(window)) {
                    EXPECT_FALSE(InWindow(obstacle).intersects(shown))
                        << scene << ": \"" << words.toStdString() << "\" under "
                        << obstacle->objectName().toStdString();
                }
            }
        }
    }
    return figures;
}

void Print(const std::string& scene, const QWidget* window, const Figures& f)
{
    std::printf("[figures] %s: window %dx%d, %d lines, last line ends at %d, controls begin at %d\n",
                scene.c_str(), window->width(), window->height(), f.lines, f.lastBottom, f.firstBelow);
}

class Layout : public WindowsFixture, public testing::WithParamInterface<Scene> {
protected:
    void SetUp() override
    {
        WindowsFixture::SetUp();
        ports.AddPty(1);
        Create(false);
    }

    // The scene reached the way the user and the sequencer get there; scene
    // 10 by a real open that fails, so that it says why.
    void Reach(Scene scene)
    {
        OpenMain();
        Tick();
        if (scene == Scene::PortUnavailable) {
            PortBox()->lineEdit()->setText(QStringLiteral("255"));
            Ok()->click();
            ASSERT_TRUE(TickUntilScene(Scene::PortUnavailable, 30000));
        } else {
            ReachFromThePortScreen(scene);
        }
        ASSERT_EQ(form->CurrentScene(), scene);
    }
};

TEST_P(Layout, EveryLineCanBeRead)
{
    const Scene scene = GetParam();
    const std::string name = "scene " + std::to_string(static_cast<int>(scene));
    if (scene == Scene::Opening) {
        card->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(card));
        const Figures f = CheckLines(Caution(), {Yes(), No()}, name);
        EXPECT_EQ(f.lines > 0, true);
        EXPECT_GE(card->height(), 442);  // the card only ever grows
        Print(name, card, f);
        return;
    }
    Reach(scene);
    const Figures f = CheckLines(Message(), {Ok(), Exit(), Bar(), PortBox()}, name);
    EXPECT_GT(f.lines, 0);
    EXPECT_GE(form->height(), 175);
    Print(name, form, f);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, Layout,
    testing::Values(Scene::Opening, Scene::PortEntry, Scene::Connecting, Scene::ConfirmDowngrade,
                    Scene::ConfirmUpdate, Scene::ConnectingToWrite, Scene::WritingCpu, Scene::WritingDsp,
                    Scene::Completed, Scene::NotNeeded, Scene::PortUnavailable, Scene::NoAnswer,
                    Scene::CannotUpdate, Scene::CpuTransferFailed, Scene::DspTransferFailed,
                    Scene::CpuUpdateFailed, Scene::DspUpdateFailed),
    [](const testing::TestParamInfo<Scene>& info) { return "scene" + std::to_string(static_cast<int>(info.param)); });

// The faces asked for are found: Liberation Sans where it is installed (the
// package depends on it), DejaVu Sans where only DejaVu is; never a serif
// face.
TEST(LayoutFonts, FacesAreSansSerif)
{
    const QString window = QFontInfo(WindowFont()).family();
    const QString buttons = QFontInfo(ButtonFont()).family();
    std::printf("[figures] window font %s, button font %s\n", window.toStdString().c_str(),
                buttons.toStdString().c_str());
    const QString expected = qEnvironmentVariableIsEmpty("RX_FONTS_DEJAVU_ONLY") ? QStringLiteral("Liberation Sans")
                                                                                  : QStringLiteral("DejaVu Sans");
    EXPECT_EQ(window, expected);
    EXPECT_EQ(buttons, expected);
}

} // namespace
