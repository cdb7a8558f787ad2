#pragma once
#include "Scene.h"

// One prompt scene: the range of notice lines it shows, the captions of its
// two buttons ("" for a hidden button) and what is visible.
struct SceneRow {
    int FirstNotice;
    int LastNotice;
    const char* Caption1;
    const char* Caption2;
    unsigned char ShowButton1;
    unsigned char ShowButton2;
    unsigned char ShowProgress;
    unsigned char ShowPortBox;
};

// One row for each scene, in the order of their numbers.
extern const SceneRow SceneTable[SceneCount];

// The row of scene, or null for a value outside the table.
const SceneRow* FindSceneRow(Scene scene);

// Shown when the port number typed into the port box is not 1 to 256.
constexpr const char* OutOfRangeText = "The numerical value is outside the range.";
