#pragma once
#include "Scene.h"

#include <optional>

#include "SeqEvents.h"

// Which scene an event code of the sequencer leads to, by the target being
// handled, and whether the critical-stop sound goes with it. An empty scene
// leaves the scene on screen as it is.
struct EventSceneRow {
    SeqEvent event;
    std::optional<Scene> sceneNone;     // target TargetNone
    std::optional<Scene> sceneCpu;      // TargetCpu
    std::optional<Scene> sceneDsp;      // TargetDsp
    std::optional<Scene> sceneRefused;  // TargetRefused
    bool beep;
};

// The row of event code, or null for a code that changes nothing.
const EventSceneRow* FindEventScene(SeqEvent event);

// The scene to show for event while target is handled; empty when the scene
// on screen stays.
std::optional<Scene> SceneForEvent(SeqEvent event, int target);
