#pragma once
#include "SceneModel.h"

#include <windows.h>

#include <string>

// The Win32 controls of a window that show a scene, with the places the two
// buttons return to. The progress bar and the port box are null on the
// opening card.
struct WinSceneControls {
    HWND box = nullptr;          // rich-edit control
    HWND button1 = nullptr;      // OK ("Yes", "Retry")
    HWND button2 = nullptr;      // Exit ("No", "Cancel")
    HWND progressBar = nullptr;
    HWND portBox = nullptr;      // editable combo box
    RECT home1 {};               // button1's place, in the window's client coordinates
    RECT home2 {};
    int portGap = 0;             // between the port box and the first button: "WW" in the window's font
};

// Draws a scene as the scene model decided it: the lines, the buttons'
// captions, visibility and places, the port box and the keyboard focus.
// portNumber goes into a port box that already holds text.
void DrawScene(const WinSceneControls& controls, const SceneView& view, int portNumber);

// Clears the rich-edit box and appends each line as a paragraph in its
// colour at 8 points, bold where it is a warning.
void DrawLines(HWND box, const std::vector<SceneLine>& lines);

// Refills the port box's list with the computer's ports (their numbers,
// each drawn with its description) and keeps the typed text.
void FillPortList(HWND portBox);

// Frees the descriptions of the list's items; before the box goes.
void FreePortItems(HWND portBox);

// The port box's list draws each port with what is known of it (the owner
// of an owner-drawn combo box forwards these).
void MeasurePortItem(MEASUREITEMSTRUCT& item, HFONT font);
void DrawPortItem(const DRAWITEMSTRUCT& item, HFONT font);

// The text of a window, 8-bit.
std::string WindowText(HWND window);

// Converts text and caption from code page 932, each with its terminating
// NUL, into buffers of 1000 UTF-16 units and shows them in a message box
// with style. Returns IDCANCEL (2) without a box when a text cannot be
// converted (also when it does not fit).
int MessageBoxCp932(HWND owner, const std::string& text, const std::string& caption, UINT style);
