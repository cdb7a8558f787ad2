#include "AppWindows.h"

#include "UnitOpening.h"
#include "clsMainSeq.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>

AppWindows::AppWindows(clsGTex& catalogue)
{
    CreateOpening();
    Adopt(std::make_unique<TForm1>(catalogue));
}

AppWindows::AppWindows(clsGTex& catalogue, std::unique_ptr<clsMainSeq> sequencer, bool startWorker)
{
    CreateOpening();
    Adopt(std::make_unique<TForm1>(catalogue, std::move(sequencer), startWorker));
}

AppWindows::~AppWindows()
{
    Form1 = nullptr;
    main.reset();
    FormOpening = nullptr;
    opening.reset();
}

void AppWindows::CreateOpening()
{
    opening = std::make_unique<TFormOpening>();
    FormOpening = opening.get();
    // The card has loaded the pictures, the icon among them.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
}

void AppWindows::Adopt(std::unique_ptr<TForm1> window)
{
    main = std::move(window);
    Form1 = main.get();
}

void AppWindows::BringToFront()
{
    QWidget* shown = main->isVisible() ? static_cast<QWidget*>(main.get()) : opening.get();
    if (shown->isMinimized()) {
        shown->showNormal();
    }
    shown->raise();
    shown->activateWindow();
}
