#pragma once
#include <optional>
#include <string>

class QTextEdit;

// Appends notice line index to box as a new paragraph in the line's colour
// at 8 points; writeTime (whole minutes, decimal) fills in the placeholder.
void AppendNotice(QTextEdit* box, int index, const std::optional<std::string>& writeTime);

// Clears box, then appends notice lines first to last in order.
void ShowNotices(QTextEdit* box, int first, int last, const std::optional<std::string>& writeTime);
