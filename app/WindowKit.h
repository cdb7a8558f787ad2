#pragma once
#include <QFont>
#include <QList>

class QPushButton;
class QTextEdit;
class QWidget;

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

// How many pixels the last line of box's text reaches below the lowest
// place where it can still be read: the bottom of box's visible part, or the
// top of the first of obstacles (controls of the same window, shown or
// not, only those visible counting) that lies across the text. 0 when
// every line can be read.
int TextOverflow(QTextEdit* box, const QList<QWidget*>& obstacles);

// The pictures and icon compiled into the program.
void LoadPictures();
