#pragma once
#include "Scene.h"
#include "SceneModel.h"

#include <QRect>

#include <optional>
#include <string>

class QAbstractButton;
class QComboBox;
class QProgressBar;
class QTextEdit;

// The controls of a window that show a scene, with the places the two
// buttons return to. The progress bar and the port box are null in the
// opening window.
struct SceneControls {
    QTextEdit* box = nullptr;
    QAbstractButton* button1 = nullptr;  // OK ("Yes", "Retry")
    QAbstractButton* button2 = nullptr;  // Exit ("No", "Cancel")
    QProgressBar* progressBar = nullptr;
    QComboBox* portBox = nullptr;
    QRect home1;  // button1's place, in its parent's coordinates
    QRect home2;  // button2's place; a lone button1 stands here too
};

// Makes the controls show one scene of the scene table: the notice lines,
// the buttons' captions, visibility and places, the port box and the
// keyboard focus. writeTime is given with Scene::ConfirmUpdate only;
// portNumber goes into a port box that already holds text. Every call draws
// the whole scene again.
void ShowScene(const SceneControls& controls, const std::optional<std::string>& writeTime, int portNumber,
               Scene scene);

// Draws a scene as the scene model decided it (SceneModel.h).
void DrawScene(const SceneControls& controls, const SceneView& view, int portNumber);
