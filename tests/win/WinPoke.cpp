// Looks at the running window program from outside, as another program on
// the same desktop can: what the window on show says, and a close request
// sent to the main window. Used by wine-window-case.
//
//   rx77nova-winpoke text    prints the title, the notice text and the
//                            captions of the visible buttons of the window
//                            on show (the card or the main window)
//   rx77nova-winpoke boxes   prints the text of each message box shown
//   rx77nova-winpoke dismiss presses OK on each message box shown
//   rx77nova-winpoke close   sends the main window WM_CLOSE
//   rx77nova-winpoke query-end  asks the main window whether the session
//                            may end (WM_QUERYENDSESSION), prints its answer
//   rx77nova-winpoke end-session  tells the main window that the session
//                            ends now (WM_ENDSESSION)
//   rx77nova-winpoke dpi N   tells both windows that they are now drawn at
//                            N dots per inch, as when moved to a monitor of
//                            another scale (WM_DPICHANGED; no suggested place
//                            can be handed across processes)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string TextOf(HWND window)
{
    // WM_GETTEXT is carried across processes by the system.
    char text[8192] {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND WindowOnShow()
{
    HWND main = FindWindowW(L"TForm1", nullptr);
    if (main != nullptr && IsWindowVisible(main)) {
        return main;
    }
    HWND card = FindWindowW(L"TFormOpening", nullptr);
    return card != nullptr && IsWindowVisible(card) ? card : nullptr;
}

int PrintText()
{
    const HWND window = WindowOnShow();
    if (window == nullptr) {
        std::printf("window: none\n");
        return 1;
    }
    char className[64] {};
    GetClassNameA(window, className, sizeof className);
    RECT outer {};
    GetWindowRect(window, &outer);
    std::printf("window: %s\ntitle: %s\nsize: %ld %ld\n", className, TextOf(window).c_str(), outer.right - outer.left,
                outer.bottom - outer.top);
    std::string text = TextOf(FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr));
    for (char& c : text) {
        if (c == '\r') {
            c = '\n';
        }
    }
    std::printf("text:\n%s\n", text.c_str());
    for (HWND child = FindWindowExW(window, nullptr, L"Button", nullptr); child != nullptr;
         child = FindWindowExW(window, child, L"Button", nullptr)) {
        if (IsWindowVisible(child)) {
            std::printf("button: %s%s\n", TextOf(child).c_str(), IsWindowEnabled(child) ? "" : " (disabled)");
        }
    }
    for (HWND child = FindWindowExW(window, nullptr, L"Static", nullptr); child != nullptr;
         child = FindWindowExW(window, child, L"Static", nullptr)) {
        if (IsWindowVisible(child)) {
            std::printf("note: %s\n", TextOf(child).c_str());
        }
    }
    return 0;
}

BOOL CALLBACK PrintBox(HWND window, LPARAM)
{
    char className[64] {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        std::string text;
        for (HWND label = FindWindowExW(window, nullptr, L"Static", nullptr); label != nullptr;
             label = FindWindowExW(window, label, L"Static", nullptr)) {
            text += TextOf(label);
        }
        std::printf("box: %s: %s\n", TextOf(window).c_str(), text.c_str());
    }
    return TRUE;
}

BOOL CALLBACK DismissBox(HWND window, LPARAM)
{
    char className[64] {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "text") {
        return PrintText();
    }
    if (command == "boxes") {
        EnumWindows(PrintBox, 0);
        return 0;
    }
    if (command == "dismiss") {
        EnumWindows(DismissBox, 0);
        return 0;
    }
    if (command == "close") {
        const HWND main = FindWindowW(L"TForm1", nullptr);
        return main != nullptr && PostMessageW(main, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (command == "query-end" || command == "end-session") {
        const HWND main = FindWindowW(L"TForm1", nullptr);
        if (main == nullptr) {
            return 1;
        }
        if (command == "end-session") {
            return PostMessageW(main, WM_ENDSESSION, TRUE, 0) ? 0 : 1;
        }
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) == 0) {
            return 1;
        }
        std::printf("answer: %lu\n", static_cast<unsigned long>(answer));
        return 0;
    }
    if (command == "dpi" && argc > 2) {
        const int dpi = std::atoi(argv[2]);
        int told = 0;
        for (const wchar_t* name : {L"TFormOpening", L"TForm1"}) {
            if (const HWND window = FindWindowW(name, nullptr); window != nullptr) {
                SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
                ++told;
            }
        }
        return told == 2 ? 0 : 1;
    }
    std::fprintf(stderr, "usage: rx77nova-winpoke text | boxes | dismiss | close | query-end | end-session | dpi N\n");
    return 2;
}
