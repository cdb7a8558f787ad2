#include "frmMain.h"

// The printer spooler's SetPort macro (windows.h) would rename the
// sequencer's SetPort.
#undef SetPort

#include "FirmImages.h"
#include "OpenCause.h"
#include "SceneModel.h"
#include "SceneTable.h"
#include "SeqDriver.h"
#include "TickRhythm.h"
#include "UnitOpening.h"
#include "WriteOutcome.h"
#include "WinControls.h"
#include "clsGTex.h"
#include "clsMainSeq.h"
#include "thrProg.h"

#include <charconv>
#include <climits>
#include <commctrl.h>
#include <mmsystem.h>
#include <richedit.h>

TForm1* Form1 = nullptr;

namespace {

constexpr UINT TickMessage = WM_APP + 1;
constexpr int DefaultWidth = 440;
constexpr int DefaultHeight = 200;
// The empty strip along the top of the client area, where a tool bar would go.
constexpr int StripHeight = 29;
constexpr int ProgressHeight = 16;
// Room kept between the last line of text and what lies below it.
constexpr int TextGap = 2;
constexpr int IdStart = 101;
constexpr int IdExit = 102;
constexpr int IdPort = 103;
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN;

// A decimal number filling the whole text, or fallback.
int DecimalOr(const std::string& text, int fallback)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && !text.empty() ? value : fallback;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

} // namespace

TForm1::TForm1(HINSTANCE hInstance, const DpiScale& dpi, clsGTex& catalogue)
    : instance(hInstance), scale(dpi), sequencer(std::make_unique<clsMainSeq>(BuiltInFirmware()))
{
    RegisterWindowClass(instance, ClassName, &TForm1::Proc, GetSysColorBrush(COLOR_BTNFACE));
    font = CreateWindowFont(scale);
    buttonFont = CreateButtonFont(scale);
    appTitle = catalogue.GetText("Sys_AppTitle", 0);
    // A value that is not a decimal number keeps the built-in size.
    baseSize = SIZE {DecimalOr(catalogue.GetText("Sys_Form_Size", 0), DefaultWidth),
                     DecimalOr(catalogue.GetText("Sys_Form_Size", 1), DefaultHeight)};
    const int width = scale(baseSize.cx);
    const int height = scale(baseSize.cy);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = static_cast<int>(0.8 * ((GetSystemMetrics(SM_CYSCREEN) - height) / 2));
    window = CreateWindowExW(0, ClassName, Wide(appTitle).c_str(), WindowStyle, left, top, width, height, nullptr,
                             nullptr, instance, this);
    CreateControls(appTitle);
    Layout();
    // The tick says how long the worker waits; the wait for the radio's
    // bytes runs on the worker's thread and reaches the port through the
    // sequencer.
    worker = std::make_unique<thrProg>(window, TickMessage, [seq = sequencer.get()](int ms) { seq->WaitForInput(ms); });
    worker->Begin();
}

TForm1::~TForm1()
{
    Shutdown();
    if (window != nullptr) {
        FreePortItems(cmbPort);
        DestroyWindow(window);
    }
    DeleteObject(font);
    DeleteObject(buttonFont);
}

void TForm1::Shutdown()
{
    if (stopped) {
        return;
    }
    stopped = true;
    worker->Stop();
    if (writing) {
        SetThreadExecutionState(ES_CONTINUOUS);
        ShutdownBlockReasonDestroy(window);
    }
    if (quickTimer) {
        timeEndPeriod(1);
    }
    sequencer.reset();
}

void TForm1::CreateControls(const std::string&)
{
    reMessage = CreateNoticeBox(window, instance, font, GetSysColor(COLOR_BTNFACE));
    progressBar1 = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 10, 10, window, nullptr,
                                   instance, nullptr);
    SendMessageW(progressBar1, PBM_SETRANGE32, 0, 255);
    buttonStart = CreateButton(window, instance, IdStart, buttonFont, true);
    buttonExit = CreateButton(window, instance, IdExit, buttonFont, false);
    // The port box: typed into or picked from; its list says what each port is.
    cmbPort = CreateWindowExW(0, WC_COMBOBOXW, L"",
                              WS_CHILD | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS | CBS_DROPDOWN | CBS_OWNERDRAWFIXED
                                  | CBS_HASSTRINGS | CBS_AUTOHSCROLL,
                              0, 0, 10, 10, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdPort)), instance,
                              nullptr);
    SendMessageW(cmbPort, CB_LIMITTEXT, 4, 0);
    SizePortBox();
    closingNote = CreateWindowExW(0, L"STATIC", Wide(ClosingNoteText(false)).c_str(), WS_CHILD | SS_LEFT | SS_CENTERIMAGE, 0,
                                  0, 10, 10, window, nullptr, instance, nullptr);
    SendMessageW(closingNote, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The port box's font and sizes follow the window's font.
void TForm1::SizePortBox()
{
    SendMessageW(cmbPort, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int itemHeight = MeasureText(font, L"COM255Wg").cy + 2;
    SendMessageW(cmbPort, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
    SendMessageW(cmbPort, CB_SETITEMHEIGHT, 0, itemHeight);
    SendMessageW(cmbPort, CB_SETDROPPEDWIDTH, scale(360), 0);
    SetWindowPos(cmbPort, nullptr, 0, 0, MeasureText(font, L"2555WWWWW").cx, scale(200),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::DpiChanged(int dotsPerInch, LPARAM suggested)
{
    scale = DpiScale(dotsPerInch);
    const HFONT oldFont = font;
    const HFONT oldButtonFont = buttonFont;
    font = CreateWindowFont(scale);
    buttonFont = CreateButtonFont(scale);
    for (const HWND control : {reMessage, closingNote}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const HWND button : {buttonStart, buttonExit}) {
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), FALSE);
    }
    SizePortBox();
    ZoomNoticeBox(reMessage, scale);
    DeleteObject(oldFont);
    DeleteObject(oldButtonFont);
    grown = 0;
    const RECT place = PlaceAtNewDpi(window, suggested, SIZE {scale(baseSize.cx), scale(baseSize.cy)});
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    if (scene != Scene::Opening) {
        Present(scene);
    }
    InvalidateRect(window, nullptr, TRUE);
}

// The layout of the 96-dpi window, scaled, from the client area: a frame
// of 3 pixels below the strip, the progress bar and the two buttons along
// the bottom, the text above them.
void TForm1::Layout()
{
    RECT client {};
    GetClientRect(window, &client);
    const int mainLeft = scale(3) + 1;
    const int mainTop = scale(StripHeight) + scale(2) + 1;
    const int mainWidth = client.right - 2 * scale(3) - 2;
    const int mainBottom = client.bottom - scale(3) - 1;

    const int progressLeft = mainLeft + scale(10);
    const int progressWidth = mainWidth - scale(20);
    const int progressTop = mainBottom - scale(52);
    MoveWindow(progressBar1, progressLeft, progressTop, progressWidth, scale(ProgressHeight), TRUE);

    const int w = progressWidth / 5;
    const int h = scale(24);
    const int buttonTop = mainBottom - h - scale(2);
    okHome = RECT {progressLeft + 3 * w - scale(4), buttonTop, progressLeft + 4 * w - scale(4), buttonTop + h};
    exitHome = RECT {progressLeft + 4 * w, buttonTop, progressLeft + 5 * w, buttonTop + h};
    MoveWindow(buttonStart, okHome.left, okHome.top, w, h, TRUE);
    MoveWindow(buttonExit, exitHome.left, exitHome.top, w, h, TRUE);

    textPlace = RECT {mainLeft + scale(10), mainTop + scale(10), mainLeft + mainWidth - scale(10), buttonTop};
    MoveWindow(closingNote, scale(6), 0, client.right - scale(12), scale(StripHeight), TRUE);
}

WinSceneControls TForm1::Controls() const
{
    WinSceneControls controls;
    controls.box = reMessage;
    controls.button1 = buttonStart;
    controls.button2 = buttonExit;
    controls.progressBar = progressBar1;
    controls.portBox = cmbPort;
    controls.home1 = okHome;
    controls.home2 = exitHome;
    controls.portGap = MeasureText(font, L"WW").cx;
    return controls;
}

// Drawn before it is shown, so that no empty window is ever seen; the
// focus, which a hidden window cannot take, follows.
void TForm1::Show()
{
    FormShow();
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    if (focusWanted != nullptr) {
        SetFocus(focusWanted);
    }
}

void TForm1::FormShow()
{
    scene = Scene::PortEntry;
    Present(scene);
}

void TForm1::ShowSceneForTest(Scene shown)
{
    scene = shown;
    Present(scene);
}

void TForm1::Present(Scene newScene)
{
    const SceneView view = MakeSceneView(newScene, FactsFor(newScene, sequencer->GetWriteTime(), [this] {
        return OpenCauseText(sequencer->GetPort(), sequencer->GetOpenFailure(), sequencer->GetOpenError());
    }));
    // The text ends above the first control that lies across it.
    FitText(view);
    DrawScene(Controls(), view, sequencer->GetPort());
    if (view.focus != SceneControl::None) {
        focusWanted = view.focus == SceneControl::Button1 ? buttonStart : buttonExit;
    }
    if (!view.closeRefused) {
        ShowWindow(closingNote, SW_HIDE);
    }
}

// The rich-edit box reaches down to the first control shown below the
// text; where the font measures the lines taller than that, the window
// grows and what lies below the text moves down with its bottom edge.
void TForm1::FitText(const SceneView& view)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        int limit = textPlace.bottom;
        if (view.showProgress) {
            limit = std::min(limit, static_cast<int>(PlaceOf(progressBar1).top));
        }
        if (view.showPortBox) {
            limit = std::min(limit, static_cast<int>(okHome.top - Height(PlaceOf(cmbPort)) - MeasureText(font, L"WW").cx));
        }
        limit -= scale(TextGap);
        MoveWindow(reMessage, textPlace.left, textPlace.top, textPlace.right - textPlace.left, limit - textPlace.top,
                   TRUE);
        DrawLines(reMessage, view.lines);
        requestedText = 0;
        SendMessageW(reMessage, EM_REQUESTRESIZE, 0, 0);
        const int overflow = requestedText - (limit - textPlace.top);
        if (overflow <= 0) {
            return;
        }
        grown += overflow + scale(TextGap);
        RECT outer {};
        GetWindowRect(window, &outer);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, Height(outer) + overflow + scale(TextGap),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
    }
}

void TForm1::Button_StartClick()
{
    const OkDecision ok = DecideOk(scene, sequencer->CanStart(), WindowText(cmbPort));
    switch (ok.step) {
    case OkStep::Nothing:
        return;
    case OkStep::EndProgram:
        EndProgram();
        return;
    case OkStep::PortOutOfRange:
        MessageBoxCp932(window, OutOfRangeText, appTitle, MB_ICONERROR | MB_OK);
        SetFocus(cmbPort);
        return;
    case OkStep::StartAtPort:
        sequencer->SetPort(ok.port);
        sequencer->StartUpdate();
        worker->Hurry();
        break;
    case OkStep::Start:
        sequencer->StartUpdate();
        worker->Hurry();
        break;
    case OkStep::Show:
        break;
    }
    scene = ok.next;
    Present(scene);
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
    return sequencer == nullptr || !DecideClose(scene, sequencer->IsInProgress()).refused;
}

void TForm1::CloseRefused()
{
    MessageBeep(MB_ICONWARNING);
    SetWindowTextW(closingNote, Wide(ClosingNoteText(endRequest.Remembered())).c_str());
    ShowWindow(closingNote, SW_SHOWNA);
}

BOOL TForm1::SessionMayEnd()
{
    if (endRequest.Arrive(scene)) {
        return TRUE;
    }
    CloseRefused();
    return FALSE;
}

void TForm1::SessionEnds()
{
    if (stopped || !sequencer->IsInProgress()) {
        return;
    }
    worker->Stop();
    // The sequencer's own time-outs end every write, so no limit of ours.
    SeqDriver driver(*sequencer);
    driver.RunUntil([this] { return !sequencer->IsInProgress(); }, INT_MAX);
    const SeqRecord last = driver.Records().empty() ? SeqRecord {} : driver.Records().back();
    driver.Tick();  // the resting state it is now in closes the port
    endStatus = OutcomeOfWrite(last.event, last.target).status;
}

void TForm1::EndProgram()
{
    if (FormOpening != nullptr) {
        FormOpening->RequestClose();
    } else {
        PostQuitMessage(0);
    }
}

int TForm1::Timer1Timer()
{
    if (stopped || worker->Stopping()) {
        return 0;
    }
    EventStep();
    const int position = sequencer->GetProgress();
    if (position != shownProgress) {
        shownProgress = position;
        SendMessageW(progressBar1, PBM_SETPOS, position, 0);
    }
    ShowTitle();
    const bool canStart = sequencer->CanStart();
    if ((IsWindowEnabled(buttonStart) != FALSE) != canStart) {
        EnableWindow(buttonStart, canStart);
    }
    FollowWriting();
    return sequencer->TickWaitMs();
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
        MessageBeep(MB_ICONHAND);
    }
    Present(scene);
    // The session's end waited for the update's: it comes now, without OK.
    if (endRequest.DueAt(scene)) {
        endStatus = OutcomeOfWrite(code, target).status;
        EndProgram();
    }
}

void TForm1::ShowTitle()
{
    const std::string title = WindowTitle(sequencer->IsInProgress(), sequencer->GetProgress(), appTitle);
    if (WindowText(window) != title) {
        SetWindowTextA(window, title.c_str());
    }
}

// While a processor is written the computer stays awake and the session
// is asked not to end; the 1 ms rests of a running update need the finer
// timer.
void TForm1::FollowWriting()
{
    const bool nowWriting = sequencer->IsInProgress();
    if (nowWriting != writing) {
        writing = nowWriting;
        if (writing) {
            SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
            ShutdownBlockReasonCreate(window, BlockReason);
        } else {
            SetThreadExecutionState(ES_CONTINUOUS);
            ShutdownBlockReasonDestroy(window);
        }
    }
    const bool quick = sequencer->TickWaitMs() <= TickRhythm::BusyMs;
    if (quick != quickTimer) {
        quickTimer = quick;
        if (quick) {
            timeBeginPeriod(1);
        } else {
            timeEndPeriod(1);
        }
    }
}

LRESULT CALLBACK TForm1::Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l)
{
    auto* self = WindowObject<TForm1>(hwnd, message, l);
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, w, l);
    }
    if (self->window == nullptr) {
        self->window = hwnd;
    }
    return self->Handle(message, w, l);
}

LRESULT TForm1::Handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case TickMessage:
        return Timer1Timer();
    case WM_COMMAND:
        if (LOWORD(w) == IdStart && HIWORD(w) == BN_CLICKED) {
            Button_StartClick();
        } else if (LOWORD(w) == IdExit && HIWORD(w) == BN_CLICKED) {
            Button_ExitClick();
        } else if (LOWORD(w) == IdPort && HIWORD(w) == CBN_DROPDOWN) {
            FillPortList(cmbPort);
        }
        return 0;  // Esc (IDCANCEL) does nothing here: no cancel button
    case WM_NOTIFY:
        if (const auto* header = reinterpret_cast<const NMHDR*>(l); header->code == EN_REQUESTRESIZE) {
            const RECT& r = reinterpret_cast<const REQRESIZE*>(l)->rc;
            requestedText = r.bottom - r.top;
        }
        return 0;
    case WM_MEASUREITEM:
        MeasurePortItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(l), font);
        return TRUE;
    case WM_DRAWITEM:
        DrawPortItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l), font);
        return TRUE;
    case WM_CLOSE:
        if (FormCloseQuery()) {
            EndProgram();
        } else {
            CloseRefused();
        }
        return 0;
    case WM_DPICHANGED:
        DpiChanged(HIWORD(w), l);
        return 0;
    case WM_QUERYENDSESSION:
        return SessionMayEnd();
    case WM_ENDSESSION:
        if (w != FALSE) {
            SessionEnds();
            PostQuitMessage(0);
        }
        return 0;
    case WM_ACTIVATE:
        // As a dialog box does: the focus goes back to the control that had
        // it, not to the window itself.
        if (LOWORD(w) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window, focus)) {
                focusWanted = focus;
            }
        } else if (focusWanted != nullptr && IsWindowVisible(focusWanted) && IsWindowEnabled(focusWanted)) {
            SetFocus(focusWanted);
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    case DM_GETDEFID: {
        const bool enter = IsWindowVisible(buttonStart) && IsWindowEnabled(buttonStart)
            && MakeSceneView(scene).enterDefault == SceneControl::Button1;
        return enter ? MAKELRESULT(IdStart, DC_HASDEFID) : 0;
    }
    case WM_DESTROY:
        window = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}
