#pragma once

class QWidget;

// Lets Qt make the program's own accessible interfaces (once per process):
// a notice box is read as its scene's text (NoticeAccessible), and the two
// windows are windows to a screen reader, not anonymous panels.
void InstallAccessibility();

// Drops an interface Qt made for widget before its class was complete (while
// a base class was being built), so that the next query makes the right one.
void RenewAccessible(QWidget* widget);
