#pragma once
#include "WinKit.h"
#include "WinScene.h"

#include <windows.h>

#include <memory>

// The opening card: the caution notice and the question whether the user
// agrees, borderless, 412 x 442 at 96 dpi with its picture. It is the
// application's main form: closing it ends the program.
class TFormOpening {
public:
    static constexpr const wchar_t* ClassName = L"TFormOpening";
    static constexpr const char* CardCaption = "RX-77NOVA Firm Update (Release E2)";

    TFormOpening(HINSTANCE instance, const DpiScale& scale);
    ~TFormOpening();
    TFormOpening(const TFormOpening&) = delete;
    TFormOpening& operator=(const TFormOpening&) = delete;

    HWND Handle() const { return window; }
    void FormShow();
    void btOKClick();
    void btCancelClick();
    // Refused while the main window writes firmware.
    bool FormCloseQuery() const;
    // Ends the program when FormCloseQuery allows; true when it does.
    bool RequestClose();
    // Drawn again at a new resolution (a monitor of another scale).
    void DpiChanged(int dotsPerInch, LPARAM suggested);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void CreateControls();
    void Layout();
    void FitText();
    void Paint();

    HINSTANCE instance;
    DpiScale scale;
    HWND window = nullptr;
    HWND reCaution = nullptr;
    HWND btOK = nullptr;
    HWND btCancel = nullptr;
    HFONT font = nullptr;
    std::unique_ptr<Picture> back;
    std::unique_ptr<Picture> title;
    HWND focusWanted = nullptr;  // the control that takes the focus when the card is activated
    int grown = 0;          // pixels added to the height so that the text fits
    int requestedText = 0;  // the rich-edit box's answer to EM_REQUESTRESIZE
};

// The opening card for the whole run (one of the program's two windows).
extern TFormOpening* FormOpening;
