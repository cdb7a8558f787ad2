#pragma once
#include "SceneModel.h"

#include <optional>
#include <string>
#include <vector>

class QString;
class QTextEdit;

// Drawn after a slash inside a word ("V/MHz"), so that no line breaks there.
constexpr char16_t WordJoiner = u'\u2060';

// Clears box, then appends each line as a paragraph in its colour at 8
// points, bold where it is a warning.
void DrawLines(QTextEdit* box, const std::vector<SceneLine>& lines);

// Appends notice line index to box as a new paragraph in the line's colour
// at 8 points; writeTime (whole minutes, decimal) fills in the placeholder.
void AppendNotice(QTextEdit* box, int index, const std::optional<std::string>& writeTime);

// Clears box, then appends notice lines first to last in order.
void ShowNotices(QTextEdit* box, int first, int last, const std::optional<std::string>& writeTime);

// Appends one black line of plain text in the notices' size (a line the
// program adds to a scene, such as why a port could not be opened).
void AppendPlainLine(QTextEdit* box, const QString& text);
