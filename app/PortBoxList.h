#pragma once

class QComboBox;

// Refills the list of box with the computer's serial port numbers, each with
// its device as tool tip ("COM5: /dev/ttyUSB0"), and keeps the typed text.
void FillPortList(QComboBox* box);
