#pragma once
#include "Scene.h"

#include <QTextEdit>

// The rich-text box that shows a scene's notice lines. To a screen reader it
// is the scene's text: static text (an alert in a failure scene) whose name
// and text are the lines shown, announced each time a scene is shown.
class NoticeBox : public QTextEdit {
    Q_OBJECT
public:
    explicit NoticeBox(QWidget* parent = nullptr);

    // Tells a screen reader that the box now shows scene: the text changed,
    // the name changed, and for a failure scene the alert that shows.
    void Announce(Scene scene);

    // The lines shown, as a reader should hear them: the words of each line
    // that has any, without the blanks that place them or invisible joiners.
    QString SpokenText() const;
    // Whether the scene last announced reports a failure.
    bool IsAlert() const { return alert; }

private:
    QString announced;
    bool alert = false;
};
