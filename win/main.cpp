// The windowed program for Windows: the opening card and the main window
// over the same core as the terminal form.
#include "ExitStatus.h"
#include "FatalDisplay.h"
#include "OvlTable.h"
#include "Platform.h"
#include "Startup.h"
#include "UnitOpening.h"
#include "WinKit.h"
#include "clsEnviron.h"
#include "clsGTex.h"
#include "frmMain.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

// Built before wWinMain runs, in this order, and destroyed in reverse: the
// mutex exists before anything else happens and is released last.
clsEnviron Environ(clsEnviron::MutexName);
clsGTex GTex;

namespace {

void ShowFatalBox(const std::string& text, const std::string& caption)
{
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}

// A second copy starts no window: the running copy's window on show comes
// to the front instead. A copy in a console has no window: said in a box.
int CallRunningCopy()
{
    HWND shown = FindWindowW(TForm1::ClassName, nullptr);
    if (shown == nullptr || !IsWindowVisible(shown)) {
        shown = FindWindowW(TFormOpening::ClassName, nullptr);
    }
    if (shown == nullptr) {
        const RunningCopy running = Environ.HolderForm() == InstanceLock::Form::Terminal ? RunningCopy::InTerminal
                                                                                         : RunningCopy::NotFronted;
        MessageBoxA(nullptr, SecondCopyText(ProgramFileName(), running).c_str(), ProgramFileName().c_str(),
                    MB_ICONINFORMATION | MB_OK);
        return ExitStatus::SecondCopy;
    }
    if (IsIconic(shown)) {
        ShowWindow(shown, SW_RESTORE);
    }
    SetForegroundWindow(shown);
    return ExitStatus::SecondCopy;
}

// Enter and Esc as in a dialog box, and Tab between the controls.
void RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        const bool ours = root != nullptr
            && ((Form1 != nullptr && root == Form1->Handle())
                || (FormOpening != nullptr && root == FormOpening->Handle()));
        if (ours && IsDialogMessageW(root, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The two windows for the whole run; the status is Done unless the
// session's end waited for an update's outcome.
int RunWindows(HINSTANCE instance)
{
    const PictureLibrary pictures;
    const DpiScale scale;
    TFormOpening card(instance, scale);
    FormOpening = &card;
    TForm1 main(instance, scale, GTex);
    Form1 = &main;
    ShowWindow(card.Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(card.Handle());
    card.FormShow();
    RunMessageLoop();
    main.Shutdown();
    Form1 = nullptr;
    FormOpening = nullptr;
    return main.EndStatus();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    SetFatalDisplay([](const std::string& text, const std::string& caption) { ShowFatalBox(text, caption); });
    if (Environ.IsFirstInstance() == 0) {
        if (!Environ.LockProblem().empty()) {
            ShowFatalBox(LockProblemText(Environ.LockProblem()), ProgramFileName());
            return ExitStatus::LockFailed;
        }
        return CallRunningCopy();
    }
    Environ.SetHolderForm(InstanceLock::Form::Window);
    GTex.SetLines(OvlTable, OvlTableCount);
    if (!CheckCatalogue(GTex, ShowFatalBox)) {
        return ExitStatus::Done;
    }
    // Without the manifest's per-monitor awareness the layout still follows
    // the system's resolution.
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (LoadLibraryW(L"Msftedit.dll") == nullptr) {
        ShowFatalBox("The rich-edit library (Msftedit.dll) cannot be loaded.", ProgramFileName());
        return ExitStatus::InternalError;
    }
    try {
        return RunWindows(instance);
    } catch (const std::exception& error) {
        Form1 = nullptr;
        FormOpening = nullptr;
        ShowFatalBox(std::string("Internal error: ") + error.what(), ProgramFileName());
        return ExitStatus::InternalError;
    }
}
