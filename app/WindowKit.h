#pragma once
#include <QFont>

class QPushButton;

// Both windows' font: "MS Sans Serif" at 8 points, or the desktop's nearest
// sans-serif face.
QFont WindowFont();

// The main window's buttons: "Arial", 12 pixels high.
QFont ButtonFont();

// Enter on a window: the focused push button, else the window's default
// button (null when it has none), when visible and enabled.
void PressForEnter(QWidget* window, QPushButton* defaultButton);

// Draws the default look on the button that Enter presses now (as
// PressForEnter picks it) and on no other button of the window.
void ShowEnterTarget(QWidget* window, QPushButton* defaultButton);

// The pictures and icon compiled into the program.
void LoadPictures();
