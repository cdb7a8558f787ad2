#pragma once
#include "WinKit.h"

#include <windows.h>

// The controls both Win32 windows are made of, and the link from a window
// handle to the object that owns it.

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background);

// A read-only rich-edit box (MSFTEDIT_CLASS) for the notice lines on the
// given background. It takes neither the focus nor the mouse: the text is
// only read.
HWND CreateNoticeBox(HWND parent, HINSTANCE instance, HFONT font, COLORREF background);
// A rich-edit box measures its text in points at the screen's resolution;
// drawn at another (a monitor of another scale), it is zoomed to it.
void ZoomNoticeBox(HWND box, const DpiScale& scale);

// A push button; defaultButton gives it the look of the one Enter presses.
HWND CreateButton(HWND parent, HINSTANCE instance, int id, HFONT font, bool defaultButton);

// A control's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND control);

// The object given to CreateWindowEx, kept with the window from its first
// message on; null before that.
template <typename T>
T* WindowObject(HWND window, UINT message, LPARAM l)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
