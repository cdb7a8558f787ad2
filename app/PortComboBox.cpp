#include "PortComboBox.h"

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {}

void PortComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}
