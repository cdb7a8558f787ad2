#include "WinControls.h"

#include <commctrl.h>
#include <richedit.h>

namespace {

// The notice box shows text and nothing else: the mouse neither selects
// nor places a caret, and the focus it is given goes back where it came from.
LRESULT CALLBACK NoticeBoxProc(HWND box, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_SETFOCUS:
        if (w != 0) {
            SetFocus(reinterpret_cast<HWND>(w));
        }
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_CONTEXTMENU:
        return 0;
    default:
        return DefSubclassProc(box, message, w, l);
    }
}

} // namespace

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

void ZoomNoticeBox(HWND box, const DpiScale& scale)
{
    const int screen = DpiScale().Dpi();
    if (scale.Dpi() == screen) {
        SendMessageW(box, EM_SETZOOM, 0, 0);
    } else {
        SendMessageW(box, EM_SETZOOM, static_cast<WPARAM>(scale.Dpi()), static_cast<LPARAM>(screen));
    }
}

HWND CreateNoticeBox(HWND parent, HINSTANCE instance, HFONT font, COLORREF background)
{
    const HWND box = CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                     WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY, 0, 0,
                                     10, 10, parent, nullptr, instance, nullptr);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(box, EM_SETBKGNDCOLOR, 0, background);
    SendMessageW(box, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SetWindowSubclass(box, NoticeBoxProc, 1, 0);
    return box;
}

HWND CreateButton(HWND parent, HINSTANCE instance, int id, HFONT font, bool defaultButton)
{
    const DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | (defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    const HWND button = CreateWindowExW(0, L"BUTTON", L"", style, 0, 0, 10, 10, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return button;
}

RECT PlaceOf(HWND control)
{
    RECT r {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}
