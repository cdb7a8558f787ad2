#include "ScenePresenter.h"

#include "NoticeRender.h"
#include "PortBoxList.h"
#include "SceneTable.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QProgressBar>
#include <QTextEdit>

namespace {

// The port box sits above the first button, its right edge on the rich-text
// box's right edge, a gap of "WW" in the window's font between them. The
// coordinates are taken as they are, across parents.
void PlacePortBox(QComboBox* portBox, const QTextEdit* box, const QAbstractButton* button1)
{
    const QFontMetrics metrics(portBox->window()->font());
    const int left = box->x() + box->width() - portBox->width();
    const int top = button1->y() - portBox->height() - metrics.horizontalAdvance(QStringLiteral("WW"));
    portBox->move(left, top);
}

// An empty box gets the computer's ports and offers the first (or 1);
// otherwise it shows the port number given.
void FillPortBox(QComboBox* portBox, int portNumber)
{
    if (portBox->currentText().isEmpty()) {
        FillPortList(portBox);
        portBox->setEditText(portBox->count() > 0 ? portBox->itemText(0) : QStringLiteral("1"));
        return;
    }
    portBox->setEditText(QString::asprintf("%d", portNumber));
}

// The focus is drawn as well: a user who presses Enter sees which button
// that presses.
void GiveFocus(QAbstractButton* button)
{
    button->setEnabled(true);
    button->setFocus(Qt::OtherFocusReason);
    button->window()->setAttribute(Qt::WA_KeyboardFocusChange);
}

} // namespace

void ShowScene(const SceneControls& controls, const std::optional<std::string>& writeTime, int portNumber,
               Scene scene)
{
    const SceneRow* row = FindSceneRow(scene);
    if (row == nullptr) {
        return;  // no such row: the controls keep what they show
    }
    QAbstractButton* button1 = controls.button1;
    QAbstractButton* button2 = controls.button2;

    ShowNotices(controls.box, row->FirstNotice, row->LastNotice, writeTime);

    button1->setVisible(row->ShowButton1 != 0);
    button1->setText(QString::fromLatin1(row->Caption1));
    button2->setVisible(row->ShowButton2 != 0);
    button2->setText(QString::fromLatin1(row->Caption2));

    if (controls.progressBar != nullptr) {
        controls.progressBar->setVisible(row->ShowProgress != 0);
    }
    if (controls.portBox != nullptr) {
        controls.portBox->setVisible(row->ShowPortBox != 0);
    }

    button1->setGeometry(controls.home1);
    button2->setGeometry(controls.home2);

    if (controls.portBox != nullptr && row->ShowPortBox != 0) {
        PlacePortBox(controls.portBox, controls.box, button1);
        FillPortBox(controls.portBox, portNumber);
    }

    if (row->ShowButton2 == 0) {
        button1->setGeometry(controls.home2);
    }

    if (row->ShowButton2 != 0) {
        GiveFocus(button2);
    } else if (row->ShowButton1 != 0) {
        GiveFocus(button1);
    }
}
