#include "UnitOpening.h"

#include "Accessibility.h"
#include "NoticeBox.h"
#include "ScenePresenter.h"
#include "WindowKit.h"
#include "frmMain.h"
#include "ui_UnitOpening.h"

#include <QCloseEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

TFormOpening* FormOpening = nullptr;

namespace {

constexpr const char* CardCaption = "RX-77NOVA Firm Update (Release E2)";
constexpr int CardWidth = 412;
constexpr int CardHeight = 442;
// Room kept between the last line of text and the buttons.
constexpr int TextGap = 2;

} // namespace

TFormOpening::TFormOpening(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TFormOpening>())
{
    InstallAccessibility();
    RenewAccessible(this);
    LoadPictures();
    ui->setupUi(this);
    setFont(WindowFont());
    setFixedSize(CardWidth, CardHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // Centred across, in the upper part of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, static_cast<int>(0.3 * (area.height() - height())));
    }

    setWindowTitle(QString::fromLatin1(CardCaption));
    ui->Label1->setText(QStringLiteral("Release E2"));
    ui->btOK->move(width() / 2 - ui->btOK->width() - 5, ui->btOK->y());
    ui->btCancel->move(width() / 2 + 5, ui->btCancel->y());

    QPalette paper = ui->reCaution->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        paper.setColor(group, QPalette::Base, Qt::white);
    }
    ui->reCaution->setPalette(paper);
    ui->reCaution->setEnabled(false);
    // The pictures, named for a screen reader; the notice and the buttons
    // are read by their words.
    ui->ImgTitle->setAccessibleName(QString::fromLatin1(CardCaption));
    ui->imgBack->setAccessibleName(QStringLiteral("Caution card"));

    connect(ui->btOK, &QPushButton::clicked, this, &TFormOpening::btOKClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &TFormOpening::btCancelClick);
    focusWatch = connect(qApp, &QApplication::focusChanged, this, [this] { ShowEnterTarget(this, nullptr); });
}

TFormOpening::~TFormOpening()
{
    // The controls go after this body; focus moving among them then must not
    // reach this window.
    disconnect(focusWatch);
}

void TFormOpening::FormShow()
{
    SceneControls controls;
    controls.box = ui->reCaution;
    controls.button1 = ui->btOK;
    controls.button2 = ui->btCancel;
    controls.home1 = ui->btOK->geometry();
    controls.home2 = ui->btCancel->geometry();
    ShowScene(controls, std::nullopt, 1, Scene::Opening);
    FitText();
    ui->reCaution->Announce(Scene::Opening);
    ShowEnterTarget(this, nullptr);
}

// Where the fonts measure the caution taller than the card allows, the text
// and the card grow and the buttons move down: the question stays readable.
void TFormOpening::FitText()
{
    const int overflow = TextOverflow(ui->reCaution, {ui->btOK, ui->btCancel});
    if (overflow == 0) {
        return;
    }
    const int delta = overflow + TextGap;
    setFixedSize(width(), height() + delta);
    ui->imgBack->resize(width(), height());
    ui->reCaution->resize(ui->reCaution->width(), ui->reCaution->height() + delta);
    const QList<QWidget*> below {ui->btOK, ui->btCancel};
    for (QWidget* widget : below) {
        widget->move(widget->x(), widget->y() + delta);
    }
}

void TFormOpening::btOKClick()
{
    if (Form1 != nullptr) {
        Form1->show();
    }
    hide();
}

void TFormOpening::btCancelClick()
{
    RequestClose();
}

bool TFormOpening::FormCloseQuery() const
{
    return Form1 == nullptr || Form1->FormCloseQuery();
}

bool TFormOpening::RequestClose()
{
    if (hasClosed) {
        return true;
    }
    if (!FormCloseQuery()) {
        if (Form1 != nullptr) {
            Form1->CloseRefused();
        }
        return false;
    }
    hasClosed = true;
    hide();
    emit closed();
    return true;
}

void TFormOpening::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFormOpening::closeEvent(QCloseEvent* event)
{
    if (RequestClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TFormOpening::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (ui->btCancel->isVisible() && ui->btCancel->isEnabled()) {
            ui->btCancel->click();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PressForEnter(this, nullptr);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
