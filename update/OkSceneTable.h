#pragma once
#include "Scene.h"

// What the main window's OK button does in the scene on screen.
enum class OkAction {
    StartAtPort,  // take the port box's number, start the sequencer, show next
    Start,        // start the sequencer again (now to write), show next
    Show,         // show next
    EndProgram,
};

struct OkSceneRow {
    Scene scene;
    OkAction action;
    Scene next;  // the scene itself where the program ends
};

// The row of scene, or null where OK does nothing (it is hidden there).
const OkSceneRow* FindOkScene(Scene scene);
