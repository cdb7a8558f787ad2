#pragma once

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

constexpr int SceneCount = 17;

// Scene 0 belongs to the opening window, scenes 1 to 16 to the main window.
extern const SceneRow SceneTable[SceneCount];

// Shown when the port number typed into the port box is not 1 to 256.
constexpr const char* OutOfRangeText = "The numerical value is outside the range.";
