// The window program's scenes one after the other, for screenshots: the
// real opening card and main window, drawn by their own code, without a run
// of the radio (the failure scenes would take minutes each under Wine).
// Used by wine-window-case.
//
//   rx77nova-wingallery     reads a scene number (0 to 16) a line from
//                           standard input, shows it (0 on the card, the
//                           others in the main window, the other window
//                           hidden) and, once the window has been drawn,
//                           prints what the window on show holds, with
//                           the places on the screen (left top right
//                           bottom) where it is drawn:
//                             box: L T R B           the notice's box
//                             line: TEXT             each paragraph in it
//                             button: L T R B TEXT   each visible button
//                             port: L T R B TEXT     the port box, when shown
//                             shown N
//                           Ends at the end of its input.
#include "ExitStatus.h"
#include "OvlTable.h"
#include "Scene.h"
#include "UnitOpening.h"
#include "WinKit.h"
#include "clsGTex.h"
#include "frmMain.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <thread>

namespace {

constexpr UINT ShowMessage = WM_APP + 100;
// The time the window is given to be drawn and handed to the screen before
// it is said to be shown: Wine passes a window's drawing on to the X server
// from its message loop.
constexpr UINT DrawnAfterMs = 300;

std::string TextOf(HWND window)
{
    char text[8192] {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void PrintPlace(const char* kind, HWND control)
{
    RECT place {};
    GetWindowRect(control, &place);
    std::printf("%s: %ld %ld %ld %ld", kind, place.left, place.top, place.right, place.bottom);
}

void PrintWindow(HWND window, int number)
{
    const HWND box = FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr);
    PrintPlace("box", box);
    std::printf("\n");
    std::string text = TextOf(box);
    // Paragraphs end in CR LF; empty ones are left out.
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (text.find_first_not_of(' ', start) < end) {
            std::printf("line: %s\n", text.substr(start, end - start).c_str());
        }
        start = end + 1;
    }
    for (HWND child = FindWindowExW(window, nullptr, L"Button", nullptr); child != nullptr;
         child = FindWindowExW(window, child, L"Button", nullptr)) {
        if (IsWindowVisible(child)) {
            PrintPlace("button", child);
            std::printf(" %s\n", TextOf(child).c_str());
        }
    }
    const HWND port = FindWindowExW(window, nullptr, WC_COMBOBOXW, nullptr);
    if (port != nullptr && IsWindowVisible(port)) {
        PrintPlace("port", port);
        std::printf(" %s\n", TextOf(port).c_str());
    }
    std::printf("shown %d\n", number);
    std::fflush(stdout);
}

HWND ShowScene(TFormOpening& card, TForm1& main, int number)
{
    if (number == static_cast<int>(Scene::Opening)) {
        ShowWindow(main.Handle(), SW_HIDE);
        card.FormShow();
        ShowWindow(card.Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(card.Handle());
        return card.Handle();
    }
    ShowWindow(card.Handle(), SW_HIDE);
    main.ShowSceneForTest(static_cast<Scene>(number));
    ShowWindow(main.Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(main.Handle());
    return main.Handle();
}

// Standard input is read on a thread of its own, so that the windows'
// messages go on while it waits.
void ReadRequests(DWORD windowThread)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty() || line == "\r") {
            continue;
        }
        int number = -1;  // said to be no scene
        try {
            number = std::stoi(line);
        } catch (const std::exception&) {
        }
        PostThreadMessageW(windowThread, ShowMessage, static_cast<WPARAM>(number), 0);
    }
    PostThreadMessageW(windowThread, WM_QUIT, 0, 0);
}

int RunGallery(HINSTANCE instance, clsGTex& catalogue)
{
    const PictureLibrary pictures;
    const DpiScale scale;
    TFormOpening card(instance, scale);
    FormOpening = &card;
    TForm1 main(instance, scale, catalogue);
    Form1 = &main;
    std::thread reader(ReadRequests, GetCurrentThreadId());
    HWND shown = nullptr;
    int shownNumber = -1;
    UINT_PTR timer = 0;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == ShowMessage) {
            const auto number = static_cast<int>(static_cast<INT_PTR>(message.wParam));
            if (number < 0 || number >= SceneCount) {
                std::printf("no scene %d\n", number);
                std::fflush(stdout);
                continue;
            }
            shown = ShowScene(card, main, number);
            shownNumber = number;
            RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            timer = SetTimer(nullptr, 0, DrawnAfterMs, nullptr);
            continue;
        }
        if (message.hwnd == nullptr && message.message == WM_TIMER && message.wParam == timer) {
            KillTimer(nullptr, timer);
            timer = 0;
            PrintWindow(shown, shownNumber);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    reader.join();
    main.Shutdown();
    Form1 = nullptr;
    FormOpening = nullptr;
    return ExitStatus::Done;
}

} // namespace

int main()
{
    clsGTex catalogue;
    catalogue.SetLines(OvlTable, OvlTableCount);
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (LoadLibraryW(L"Msftedit.dll") == nullptr) {
        std::fprintf(stderr, "rx77nova-wingallery: the rich-edit library cannot be loaded\n");
        return ExitStatus::InternalError;
    }
    return RunGallery(GetModuleHandleW(nullptr), catalogue);
}
