#pragma once
#include "EndRequest.h"
#include "ExitStatus.h"
#include "Scene.h"
#include "SeqEvents.h"
#include "WinKit.h"
#include "WinScene.h"

#include <windows.h>

#include <memory>
#include <string>

class clsGTex;
class clsMainSeq;
class thrProg;

// The main window: shows the scenes of an update, owns the sequencer and
// the tick worker that drives it. Fixed border, no caption buttons.
class TForm1 {
public:
    static constexpr const wchar_t* ClassName = L"TForm1";

    TForm1(HINSTANCE instance, const DpiScale& scale, clsGTex& catalogue);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return window; }
    Scene CurrentScene() const { return scene; }

    // Shown by the card's "Yes": scene 1.
    void Show();
    void FormShow();
    void Button_StartClick();
    void Button_ExitClick();
    bool FormCloseQuery() const;
    // A close refused: the warning sound and a line that says the window
    // closes by itself.
    void CloseRefused();
    // The answer to the session's question whether it may end: no while a
    // processor is written (with the reason the system shows); the end is
    // then remembered for when the update has ended (EndRequest.h).
    BOOL SessionMayEnd();
    // The session ends now, whatever the answer was: a processor being
    // written is written to the end of the update first, on this thread,
    // without windows.
    void SessionEnds();
    // The status the program ends with (ExitStatus.h).
    int EndStatus() const { return endStatus; }
    // Stops the worker and ends the sequencer (which closes the port); the
    // window stays until the object goes.
    void Shutdown();
    // Drawn again at a new resolution (a monitor of another scale).
    void DpiChanged(int dotsPerInch, LPARAM suggested);
    // For the tests' scene gallery only: shown draws as a scene the
    // sequencer led to would be drawn, without a run of the radio.
    void ShowSceneForTest(Scene shown);

    static constexpr const wchar_t* BlockReason =
        L"The radio's firmware is being written. Switching off now can leave the radio unusable.";

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void CreateControls(const std::string& appTitle);
    void SizePortBox();
    void Layout();
    void Present(Scene newScene);
    void FitText(const SceneView& view);
    int Timer1Timer();
    void EventStep();
    void ShowTitle();
    void FollowWriting();
    void EndProgram();
    void HandleEvent(SeqEvent code, int target);
    WinSceneControls Controls() const;

    HINSTANCE instance;
    DpiScale scale;
    std::unique_ptr<clsMainSeq> sequencer;
    std::unique_ptr<thrProg> worker;
    std::string appTitle;
    Scene scene = Scene::Opening;  // none of the main window's yet
    HWND window = nullptr;
    HWND reMessage = nullptr;
    HWND progressBar1 = nullptr;
    HWND buttonStart = nullptr;
    HWND buttonExit = nullptr;
    HWND cmbPort = nullptr;
    HWND closingNote = nullptr;
    SIZE baseSize {};  // the outer size at 96 dpi
    HFONT font = nullptr;
    HFONT buttonFont = nullptr;
    RECT okHome {};
    RECT exitHome {};
    RECT textPlace {};  // the rich-edit box's left, top and width; its bottom is the scene's
    int grown = 0;          // pixels added to the height so that the text fits
    int requestedText = 0;  // the rich-edit box's answer to EM_REQUESTRESIZE
    HWND focusWanted = nullptr;  // the control that takes the focus when the window is activated
    int shownProgress = -1;
    bool writing = false;
    bool quickTimer = false;
    bool stopped = false;
    EndRequest endRequest;
    int endStatus = ExitStatus::Done;
};

// The main window for the whole run (one of the program's two windows).
extern TForm1* Form1;
