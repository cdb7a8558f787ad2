#pragma once

#include "SeqEvents.h"

// Which scene an event code of the sequencer leads to, by the target being
// handled, and whether the critical-stop sound goes with it.
struct EventSceneRow {
    SeqEvent event;
    int sceneNone;     // target TargetNone
    int sceneCpu;      // TargetCpu
    int sceneDsp;      // TargetDsp
    int sceneRefused;  // TargetRefused
    bool beep;
};

constexpr int SceneUnchanged = -1;

// The row of an event, or null for a code that changes nothing.
const EventSceneRow* FindEventScene(SeqEvent event);

// The scene to show for event while target is handled; SceneUnchanged when
// the scene on screen stays.
int SceneForEvent(SeqEvent event, int target);
