#pragma once
#include <QWidget>

#include <memory>

namespace Ui {
class TFormOpening;
}

// The opening card: the caution notice and the question whether the user
// agrees. It is the application's main form: closing it ends the program.
class TFormOpening : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpening(QWidget* parent = nullptr);
    ~TFormOpening() override;

    void FormShow();
    void btOKClick();
    void btCancelClick();
    // Refused while the main window writes firmware (CanClose).
    bool FormCloseQuery() const;
    // Closes the card when FormCloseQuery allows; true when it closed.
    bool RequestClose();

signals:
    // The card has closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitText();

    std::unique_ptr<Ui::TFormOpening> ui;
    bool hasClosed = false;
    QMetaObject::Connection focusWatch;
};

// The opening card for the whole run (one of the program's two windows).
extern TFormOpening* FormOpening;
