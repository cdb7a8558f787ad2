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
    const std::string typed = portBox->currentText().toStdString();
    std::vector<std::string> list;
    if (PortBoxWantsList(typed)) {
        FillPortList(portBox);
        for (int i = 0; i < portBox->count(); ++i) {
            list.push_back(portBox->itemText(i).toStdString());
        }
    }
    portBox->setEditText(QString::fromStdString(PortBoxText(typed, list, portNumber)));
}

QAbstractButton* ButtonOf(const SceneControls& controls, SceneControl which)
{
    switch (which) {
    case SceneControl::Button1:
        return controls.button1;
    case SceneControl::Button2:
        return controls.button2;
    case SceneControl::None:
        break;
    }
    return nullptr;
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
    if (FindSceneRow(scene) == nullptr) {
        return;  // no such row: the controls keep what they show
    }
    SceneFacts facts;
    facts.writeTime = writeTime;
    DrawScene(controls, MakeSceneView(scene, facts), portNumber);
}

void DrawScene(const SceneControls& controls, const SceneView& view, int portNumber)
{
    QAbstractButton* button1 = controls.button1;
    QAbstractButton* button2 = controls.button2;

    DrawLines(controls.box, view.lines);

    button1->setVisible(view.showButton1);
    button1->setText(QString::fromLatin1(view.caption1.c_str()));
    button2->setVisible(view.showButton2);
    button2->setText(QString::fromLatin1(view.caption2.c_str()));

    if (controls.progressBar != nullptr) {
        controls.progressBar->setVisible(view.showProgress);
    }
    if (controls.portBox != nullptr) {
        controls.portBox->setVisible(view.showPortBox);
    }

    button1->setGeometry(controls.home1);
    button2->setGeometry(controls.home2);

    if (controls.portBox != nullptr && view.showPortBox) {
        PlacePortBox(controls.portBox, controls.box, button1);
        FillPortBox(controls.portBox, portNumber);
    }

    if (view.button1AtSecondPlace) {
        button1->setGeometry(controls.home2);
    }

    if (QAbstractButton* focus = ButtonOf(controls, view.focus)) {
        GiveFocus(focus);
    }
}
