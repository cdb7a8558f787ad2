#include "UnitOpening.h"

#include "WinControls.h"
#include "frmMain.h"

#include <richedit.h>

TFormOpening* FormOpening = nullptr;

namespace {

constexpr int CardWidth = 412;
constexpr int CardHeight = 442;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonTop = 403;
constexpr int TextGap = 2;
constexpr int IdOk = 101;
constexpr int IdCancel = 102;

} // namespace

TFormOpening::TFormOpening(HINSTANCE hInstance, const DpiScale& dpi) : instance(hInstance), scale(dpi)
{
    RegisterWindowClass(instance, ClassName, &TFormOpening::Proc, GetSysColorBrush(COLOR_WINDOW));
    font = CreateWindowFont(scale);
    back = std::make_unique<Picture>(Picture::Name::Card);
    title = std::make_unique<Picture>(Picture::Name::Title);
    // Centred across, in the upper part of the screen.
    const int width = scale(CardWidth);
    const int height = scale(CardHeight);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = static_cast<int>(0.3 * (GetSystemMetrics(SM_CYSCREEN) - height));
    window = CreateWindowExW(WS_EX_APPWINDOW, ClassName, Wide(CardCaption).c_str(), WS_POPUP | WS_CLIPCHILDREN, left,
                             top, width, height, nullptr, nullptr, instance, this);
    CreateControls();
    Layout();
}

TFormOpening::~TFormOpening()
{
    if (window != nullptr) {
        DestroyWindow(window);
    }
    DeleteObject(font);
}

void TFormOpening::CreateControls()
{
    reCaution = CreateNoticeBox(window, instance, font, RGB(255, 255, 255));
    btOK = CreateButton(window, instance, IdOk, font, false);
    btCancel = CreateButton(window, instance, IdCancel, font, false);
}

void TFormOpening::Layout()
{
    const int width = scale(CardWidth);
    const int buttonTop = scale(ButtonTop) + grown;
    MoveWindow(btOK, width / 2 - scale(ButtonWidth) - scale(5), buttonTop, scale(ButtonWidth), scale(ButtonHeight),
               TRUE);
    MoveWindow(btCancel, width / 2 + scale(5), buttonTop, scale(ButtonWidth), scale(ButtonHeight), TRUE);
    // The text ends above the buttons, which stand in front of its box.
    const int textTop = scale(176);
    MoveWindow(reCaution, scale(10), textTop, scale(392), buttonTop - scale(TextGap) - textTop, TRUE);
}

void TFormOpening::DpiChanged(int dotsPerInch, LPARAM suggested)
{
    scale = DpiScale(dotsPerInch);
    const HFONT old = font;
    font = CreateWindowFont(scale);
    for (const HWND control : {reCaution, btOK, btCancel}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    DeleteObject(old);
    ZoomNoticeBox(reCaution, scale);
    grown = 0;
    const RECT place = PlaceAtNewDpi(window, suggested, SIZE {scale(CardWidth), scale(CardHeight)});
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    FormShow();
    InvalidateRect(window, nullptr, TRUE);
}

void TFormOpening::FormShow()
{
    WinSceneControls controls;
    controls.box = reCaution;
    controls.button1 = btOK;
    controls.button2 = btCancel;
    controls.home1 = PlaceOf(btOK);
    controls.home2 = PlaceOf(btCancel);
    const SceneView view = MakeSceneView(Scene::Opening);
    DrawScene(controls, view, 1);
    focusWanted = view.focus == SceneControl::Button1 ? btOK : btCancel;
    FitText();
}

// Where the font measures the caution taller than the card allows, the card
// grows and the buttons move down: the question stays readable.
void TFormOpening::FitText()
{
    const RECT box = PlaceOf(reCaution);
    requestedText = 0;
    SendMessageW(reCaution, EM_REQUESTRESIZE, 0, 0);
    const int overflow = requestedText - (box.bottom - box.top);
    if (overflow <= 0) {
        return;
    }
    grown += overflow + scale(TextGap);
    RECT outer {};
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, scale(CardHeight) + grown,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    InvalidateRect(window, nullptr, TRUE);
}

void TFormOpening::btOKClick()
{
    if (Form1 != nullptr) {
        Form1->Show();
    }
    ShowWindow(window, SW_HIDE);
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
    if (!FormCloseQuery()) {
        if (Form1 != nullptr) {
            Form1->CloseRefused();
        }
        return false;
    }
    PostQuitMessage(0);
    return true;
}

void TFormOpening::Paint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client {};
    GetClientRect(window, &client);
    back->Draw(dc, client);
    title->Draw(dc, RECT {scale(1), scale(1), scale(1 + 410), scale(1 + 140)});
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, scale(333), scale(138), L"Release E2", 10);
    SelectObject(dc, old);
    EndPaint(window, &paint);
}

LRESULT CALLBACK TFormOpening::Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l)
{
    auto* self = WindowObject<TFormOpening>(hwnd, message, l);
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, w, l);
    }
    if (self->window == nullptr) {
        self->window = hwnd;
    }
    return self->Handle(message, w, l);
}

LRESULT TFormOpening::Handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the picture covers all of it
    case WM_COMMAND:
        if (LOWORD(w) == IdOk && HIWORD(w) == BN_CLICKED) {
            btOKClick();
        } else if ((LOWORD(w) == IdCancel && HIWORD(w) == BN_CLICKED) || LOWORD(w) == IDCANCEL) {
            btCancelClick();  // also Esc
        }
        return 0;
    case WM_NOTIFY:
        if (const auto* header = reinterpret_cast<const NMHDR*>(l); header->code == EN_REQUESTRESIZE) {
            const RECT& r = reinterpret_cast<const REQRESIZE*>(l)->rc;
            requestedText = r.bottom - r.top;
        }
        return 0;
    case WM_DPICHANGED:
        DpiChanged(HIWORD(w), l);
        return 0;
    case WM_CLOSE:
        RequestClose();
        return 0;
    case WM_QUERYENDSESSION:
        return Form1 == nullptr ? TRUE : Form1->SessionMayEnd();
    case WM_ACTIVATE:
        // As a dialog box does: the focus goes back to the button that had it.
        if (LOWORD(w) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window, focus)) {
                focusWanted = focus;
            }
        } else if (focusWanted != nullptr && IsWindowVisible(focusWanted)) {
            SetFocus(focusWanted);
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    case DM_GETDEFID:
        return 0;  // no default button: Enter presses the focused one
    case WM_DESTROY:
        window = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}
