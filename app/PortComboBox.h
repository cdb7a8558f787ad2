#pragma once
#include <QComboBox>

// The editable COM port box: tells its window before its list drops down,
// so that the list can be refilled with the ports present at that moment.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortComboBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void dropDown();
};
