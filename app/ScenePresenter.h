#pragma once
#include <optional>
#include <string>

class QAbstractButton;
class QComboBox;
class QProgressBar;
class QTextEdit;

// Makes the controls of a window show one scene of the scene table: the
// notice lines, the buttons' captions, visibility and places, the port box
// and the keyboard focus. The progress bar and the port box are optional
// (null in the opening window); writeTime is given with scene 4 only. Every
// call draws the whole scene again.
void ShowScene(QTextEdit* box, QAbstractButton* button1, QAbstractButton* button2,
               QProgressBar* progressBar, QComboBox* portBox,
               const std::optional<std::string>& writeTime,
               int left1, int height1, int top1, int width1,
               int left2, int height2, int top2, int width2,
               int portNumber, int scene);
