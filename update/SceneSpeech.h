#pragma once
#include "Scene.h"

// What a screen reader is told of each scene beyond the words it shows:
// whether the scene reports a failure (read out as an alert) and what the
// progress bar stands for while the scene shows it.
struct SceneSpeechRow {
    bool alert;
    const char* progressDescription;  // null where the scene hides the progress bar
};

// One row for each scene, in the order of their numbers.
extern const SceneSpeechRow SceneSpeechTable[SceneCount];

// The row of scene, or null for a value outside the table.
const SceneSpeechRow* FindSceneSpeech(Scene scene);
