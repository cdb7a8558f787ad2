#include "frmMain.h"

#include "ExitStatus.h"

#include "Accessibility.h"
#include "DisplayLossWatch.h"
#include "FatalDisplay.h"
#include "FirmImages.h"
#include "NoticeRender.h"
#include "OpenCause.h"
#include "PortBoxList.h"
#include "Platform.h"
#include "PortalInhibitor.h"
#include "SeqDriver.h"
#include "SleepInhibitor.h"
#include "SceneModel.h"
#include "ScenePresenter.h"
#include "SceneSpeech.h"
#include "SceneTable.h"
#include "UnitOpening.h"
#include "WindowKit.h"
#include "clsGTex.h"
#include "clsMainSeq.h"
#include "thrProg.h"
#include "ui_frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>
#include <QLineEdit>
#include <QScreen>
#include <QSessionManager>

#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>

TForm1* Form1 = nullptr;

namespace {

// The catalogue gives the window's outer size. The client area is what is
// left inside a fixed single border (3 pixels) and a caption bar (19).
constexpr int FrameWidth = 2 * 3;
constexpr int FrameHeight = 2 * 3 + 19;
constexpr int DefaultWidth = 440;
constexpr int DefaultHeight = 200;
// The empty strip along the top of the client area, where a tool bar would go.
constexpr int StripHeight = 29;
constexpr int ProgressHeight = 16;
// Room kept between the last line of text and what lies below it.
constexpr int TextGap = 2;

// A decimal number filling the whole text, or fallback.
int DecimalOr(const std::string& text, int fallback)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && !text.empty() ? value : fallback;
}

QString FromText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// The sequencer lives on this thread.
TForm1::TForm1(clsGTex& catalogue) : TForm1(catalogue, ProgramSequencer(), true)
{
}

std::unique_ptr<clsMainSeq> TForm1::ProgramSequencer()
{
    return std::make_unique<clsMainSeq>(BuiltInFirmware());
}

TForm1::TForm1(clsGTex& catalogue, std::unique_ptr<clsMainSeq> seq, bool startWorker)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TForm1>()),
      sequencer(std::move(seq)),
      messageDisplay(ShowMessageBox),
      beep([] { QApplication::beep(); }),
      errorLine([](const std::string& line) {
          std::fprintf(stderr, "%s\n", line.c_str());
          std::fflush(stderr);
      })
{
    InstallAccessibility();
    RenewAccessible(this);
    LoadPictures();
    ui->setupUi(this);
    setFont(WindowFont());
    ui->Button_Start->setFont(ButtonFont());
    ui->Button_Exit->setFont(ButtonFont());

    // A value that is not a decimal number keeps the built-in size.
    const int outerWidth = DecimalOr(catalogue.GetText("Sys_Form_Size", 0), DefaultWidth);
    const int outerHeight = DecimalOr(catalogue.GetText("Sys_Form_Size", 1), DefaultHeight);
    setFixedSize(outerWidth - FrameWidth, outerHeight - FrameHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - outerWidth) / 2,
             static_cast<int>(0.8 * ((area.height() - outerHeight) / 2)));
    }

    appTitle = catalogue.GetText("Sys_AppTitle", 0);
    QGuiApplication::setApplicationDisplayName(FromText(appTitle));
    setWindowTitle(FromText(appTitle));

    Layout(width(), height());
    NameForReaders();

    connect(ui->Button_Start, &QPushButton::clicked, this, &TForm1::Button_StartClick);
    connect(ui->Button_Exit, &QPushButton::clicked, this, &TForm1::Button_ExitClick);
    connect(ui->cmbPort, &PortComboBox::dropDown, this, [this] { FillPortList(ui->cmbPort); });
    // Enter in the port box reaches the window's key handler; the default
    // look follows the focus to the button that Enter presses.
    focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this] { ShowEnterTarget(this, ui->Button_Start); });

    // A shutdown can be cancelled only while the session lets the program
    // interact; asked for in any case, the session may also take a failed
    // save as a reason to stop.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& session) {
        if (RefuseSessionEnd()) {
            session.allowsInteraction();
            session.cancel();
            session.release();
        }
    });

    // While a processor is written: no sleep or shutdown (logind), and the
    // desktop asked not to log out (the portal).
    inhibitor = new SleepInhibitor(this);
    portalInhibitor = new PortalInhibitor(this);

    closingNote = new QLabel(QString::fromLatin1(ClosingNoteText(false)), this);
    closingNote->setObjectName(QStringLiteral("lblClosing"));
    closingNote->setGeometry(6, 0, width() - 12, StripHeight + 2);
    closingNote->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    closingNote->hide();

    // The tick says how long the worker waits; the wait for the radio's bytes
    // runs on the worker's thread and reaches the port through the sequencer.
    worker = std::make_unique<thrProg>(
        [this] {
            Timer1Timer();
            return sequencer->TickWaitMs();
        },
        [seq = sequencer.get()](int ms) { seq->WaitForInput(ms); });
    if (startWorker) {
        worker->Begin();
    }
}

TForm1::~TForm1()
{
    // The controls go after this body; focus moving among them then must not
    // reach this window.
    disconnect(focusWatch);
    // No tick may reach this window or its sequencer once they start to go.
    worker->Stop();
}

void TForm1::Layout(int clientWidth, int clientHeight)
{
    ui->Panel1->setGeometry(3, StripHeight + 2, clientWidth - 6, clientHeight - (StripHeight + 2) - 3);
    const QRect frame = ui->Panel1->geometry();
    ui->Panel_Main->setGeometry(frame.left() + 1, frame.top() + 1, frame.width() - 2, frame.height() - 2);
    const int mainWidth = ui->Panel_Main->width();
    const int mainHeight = ui->Panel_Main->height();

    QPalette face = ui->reMessage->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        face.setColor(group, QPalette::Base, palette().color(QPalette::Active, QPalette::Button));
    }
    ui->reMessage->setPalette(face);

    ui->ProgressBar1->setGeometry(10, static_cast<int>(mainHeight - 2.5 * ProgressHeight - 12),
                                  mainWidth - 20, ProgressHeight);
    ui->ProgressBar1->setRange(0, 255);
    ui->ProgressBar1->hide();

    const int w = ui->ProgressBar1->width() / 5;
    const int h = static_cast<int>(1.5 * ProgressHeight);
    const int left = ui->ProgressBar1->x();
    controls = {ui->reMessage, ui->Button_Start, ui->Button_Exit, ui->ProgressBar1, ui->cmbPort,
                QRect(left + 3 * w - 4, mainHeight - h - 2, w, h), QRect(left + 4 * w, mainHeight - h - 2, w, h)};
    ui->Button_Start->setGeometry(controls.home1);
    ui->Button_Exit->setGeometry(controls.home2);

    ui->reMessage->setGeometry(10, 10, mainWidth - 20, ui->Button_Start->y() - 10 + 10);
    ui->reMessage->lower();

    // The port box is measured with the window's font; it is never lower
    // than the toolkit can draw it, as with the platform's own combo box.
    const QFontMetrics metrics(font());
    const QString tall = QStringLiteral("255WW") + QString::fromUtf8("\xE5\x85\xA8\xE8\xA7\x92");
    const int boxHeight = std::max(metrics.size(Qt::TextSingleLine, tall).height(),
                                   ui->cmbPort->minimumSizeHint().height());
    ui->cmbPort->resize(metrics.horizontalAdvance(QStringLiteral("2555WWWWW")), boxHeight);
    ui->cmbPort->lineEdit()->setMaxLength(4);
    ui->cmbPort->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->cmbPort->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->cmbPort->setEditText(QString());
    ui->cmbPort->hide();
    ui->cmbPort->raise();
}

// What a screen reader says of the controls that have no caption of their
// own; the buttons are read by their captions, the notice by its lines.
void TForm1::NameForReaders()
{
    ui->cmbPort->setAccessibleName(QString::fromLatin1(PortBoxName));
    ui->cmbPort->setAccessibleDescription(QString::fromLatin1(PortBoxDescription));
    // On Linux a combo box is read by what it holds; the text inside it, which
    // takes the focus, carries the name.
    ui->cmbPort->lineEdit()->setAccessibleName(QString::fromLatin1(PortBoxName));
    ui->cmbPort->lineEdit()->setAccessibleDescription(QString::fromLatin1(PortBoxDescription));
    ui->ProgressBar1->setAccessibleName(QString::fromLatin1(ProgressName));
}

void TForm1::Present(Scene newScene)
{
    const SceneView view = MakeSceneView(newScene, FactsFor(newScene, sequencer->GetWriteTime(), [this] {
        return OpenCauseText(sequencer->GetPort(), sequencer->GetOpenFailure(), sequencer->GetOpenError());
    }));
    DrawScene(controls, view, sequencer->GetPort());
    FitText();
    ShowEnterTarget(this, EnterDefault());
    const SceneSpeechRow* speech = FindSceneSpeech(newScene);
    const bool measures = speech != nullptr && speech->progressDescription != nullptr;
    const QString measured = measures ? QString::fromLatin1(speech->progressDescription) : QString();
    if (ui->ProgressBar1->accessibleDescription() != measured) {
        ui->ProgressBar1->setAccessibleDescription(measured);  // told to a reader only when it changes
    }
    // Last, once everything the scene shows is in place.
    ui->reMessage->Announce(newScene);
    if (!view.closeRefused) {
        closingNote->hide();
    }
    AllowMinimise(view.closeRefused);
}

// Where the fonts measure the notice lines taller than the layout allows,
// the text area and the window grow, and what lies below the text moves
// down with the bottom edge: no line is hidden or covered.
void TForm1::FitText()
{
    const int overflow =
        TextOverflow(ui->reMessage, {ui->Button_Start, ui->Button_Exit, ui->ProgressBar1, ui->cmbPort});
    if (overflow == 0) {
        return;
    }
    const int delta = overflow + TextGap;
    setFixedSize(width(), height() + delta);
    const QList<QWidget*> grows {ui->Panel1, ui->Panel_Main, ui->reMessage};
    for (QWidget* widget : grows) {
        widget->resize(widget->width(), widget->height() + delta);
    }
    const QList<QWidget*> below {ui->ProgressBar1, ui->Button_Start, ui->Button_Exit, ui->cmbPort};
    for (QWidget* widget : below) {
        widget->move(widget->x(), widget->y() + delta);
    }
    controls.home1.translate(0, delta);
    controls.home2.translate(0, delta);
}

// Only the hint changes: setting the widget's flags would make the window
// anew and hide it in the middle of the write.
void TForm1::AllowMinimise(bool allow)
{
    const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowMinimizeButtonHint, allow);
    if (flags == windowFlags()) {
        return;
    }
    overrideWindowFlags(flags);
    if (QWindow* handle = windowHandle()) {
        handle->setFlags(flags);
    }
}

void TForm1::CloseRefused()
{
    beep();
    closingNote->setText(QString::fromLatin1(ClosingNoteText(endRequest.Remembered())));
    closingNote->show();
}

bool TForm1::RefuseSessionEnd()
{
    if (endRequest.Arrive(scene)) {
        return false;
    }
    CloseRefused();
    return true;
}

bool TForm1::RequestEnd()
{
    if (endRequest.Arrive(scene)) {
        // On an outcome scene the outcome is the status; before any outcome
        // the request itself is.
        const int outcome = ExitStatusOfScene(scene);
        endStatus = outcome >= 0 ? outcome : ExitStatus::Signalled;
        EndProgram();
        return true;
    }
    CloseRefused();
    return false;
}

// The update has ended with a request to end waiting: said as the display
// loss says it, and the end comes without OK.
void TForm1::HonourEndRequest(SeqEvent code, int target)
{
    const WriteOutcome outcome = OutcomeOfWrite(code, target);
    errorLine(ProgramFileName() + ": " + outcome.text);
    endStatus = outcome.status;
    EndProgram();
}

void TForm1::FormShow()
{
    scene = Scene::PortEntry;
    Present(scene);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

QPushButton* TForm1::EnterDefault() const
{
    return MakeSceneView(scene).enterDefault == SceneControl::Button1 ? ui->Button_Start : nullptr;
}

void TForm1::Button_StartClick()
{
    const OkDecision ok = DecideOk(scene, sequencer->CanStart(), ui->cmbPort->currentText().toStdString());
    switch (ok.step) {
    case OkStep::Nothing:
        return;
    case OkStep::EndProgram:
        EndProgram();
        return;
    case OkStep::PortOutOfRange:
        // The user is told so and returned to the box.
        MessageBoxCp932(this, OutOfRangeText, appTitle, MsgIconError | MsgOk, messageDisplay);
        ui->cmbPort->setFocus(Qt::OtherFocusReason);
        return;
    case OkStep::StartAtPort:
        sequencer->SetPort(ok.port);
        StartSequencer();
        break;
    case OkStep::Start:
        StartSequencer();
        break;
    case OkStep::Show:
        break;
    }
    scene = ok.next;
    Present(scene);
}

// The worker may be resting: the update's first tick comes at once.
void TForm1::StartSequencer()
{
    sequencer->StartUpdate();
    worker->Hurry();
}

void TForm1::Button_ExitClick()
{
    if (ExitSendsExitCommand(scene)) {
        sequencer->SendExit();
    }
    EndProgram();
}

bool TForm1::FormCloseQuery() const
{
    return !DecideClose(scene, sequencer->IsInProgress()).refused;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        CloseRefused();
        return;
    }
    event->accept();
    EndProgram();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        PressForEnter(this, EnterDefault());
        return;
    }
    QWidget::keyPressEvent(event);  // Esc does nothing here: no cancel button
}

void TForm1::Timer1Timer()
{
    EventStep();
    ui->ProgressBar1->setValue(sequencer->GetProgress());
    ShowTitle();
    ui->Button_Start->setEnabled(sequencer->CanStart());
    const bool writing = sequencer->IsInProgress();
    inhibitor->SetWriting(writing);
    portalInhibitor->SetWriting(writing);
}

void TForm1::EventStep()
{
    const SeqEvent code = sequencer->Step();
    if (code == SeqEvent::EvNone) {
        return;
    }
    HandleEvent(code, sequencer->GetTarget());
    sequencer->ClearEvent();
}

void TForm1::HandleEvent(SeqEvent code, int target)
{
    const EventOutcome outcome = OutcomeOfEvent(code, target);
    if (!outcome.scene) {
        return;
    }
    scene = *outcome.scene;
    if (outcome.beep) {
        beep();
    }
    Present(scene);
    if (endRequest.DueAt(scene)) {
        HonourEndRequest(code, target);
    }
}

int TForm1::FinishWithoutDisplay()
{
    worker->Stop();
    // Standard error may be a pipe whose reader went with the session.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string program = ProgramFileName();
    if (!sequencer->IsInProgress()) {
        std::fprintf(stderr, "%s: the display connection was lost; no firmware was being written.\n", program.c_str());
        return ExitStatus::DisplayLost;
    }
    std::fprintf(stderr,
                 "%s: the display connection was lost while the radio's firmware is written; "
                 "the writing goes on without windows.\n",
                 program.c_str());
    std::fflush(stderr);
    SetFatalDisplay(nullptr);  // no box can be shown any more
    // The sequencer's own time-outs end every write, so no limit of ours.
    SeqDriver driver(*sequencer);
    driver.RunUntil([this] { return !sequencer->IsInProgress(); }, INT_MAX);
    const SeqRecord last = driver.Records().empty() ? SeqRecord {} : driver.Records().back();
    driver.Tick();  // the resting state it is now in closes the port
    const WriteOutcome outcome = OutcomeOfWrite(last.event, last.target);
    std::fprintf(stderr, "%s: %s\n", program.c_str(), outcome.text.c_str());
    return outcome.status;
}

std::string TForm1::WriteTimeText(int seconds)
{
    return ::WriteTimeText(seconds);
}

QString TForm1::ProgressTitle(bool inProgress, int position, const std::string& appTitle)
{
    return FromText(WindowTitle(inProgress, position, appTitle));
}

void TForm1::ShowTitle()
{
    const QString title = ProgressTitle(sequencer->IsInProgress(), ui->ProgressBar1->value(), appTitle);
    // The application's title first: the platform adds it to a window title
    // that does not already end with it.
    if (QGuiApplication::applicationDisplayName() != title) {
        QGuiApplication::setApplicationDisplayName(title);
    }
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
}

void TForm1::EndProgram()
{
    if (FormOpening != nullptr) {
        FormOpening->RequestClose();
    }
}

void TForm1::SetMessageDisplay(MessageDisplay display)
{
    messageDisplay = std::move(display);
}

void TForm1::SetBeep(std::function<void()> sound)
{
    beep = std::move(sound);
}

void TForm1::SetErrorLine(std::function<void(const std::string&)> say)
{
    errorLine = std::move(say);
}
