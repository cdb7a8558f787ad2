#pragma once
#include "Scene.h"
#include "SeqEvents.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What a window shows and does, decided once for every window (the Qt one,
// the Win32 one): the windows only draw a SceneView and hand the user's
// actions to the functions below.

// One line of a scene's text, one paragraph.
struct SceneLine {
    std::string text;     // 8-bit, the write time filled in
    std::uint32_t color;  // red in the low byte, then green, then blue
    bool emphasis;        // a warning: drawn bold
    bool notice = true;   // from the notice table; false for a line the program adds (the port's cause)
};

// A control of the scene: which one has the keyboard focus, which one Enter
// presses when no push button has the focus.
enum class SceneControl { None, Button1, Button2 };

struct SceneView {
    Scene scene = Scene::Opening;
    std::vector<SceneLine> lines;
    std::string caption1;  // "" for a hidden button
    std::string caption2;
    bool showButton1 = false;
    bool showButton2 = false;
    bool showProgress = false;
    bool showPortBox = false;
    // A lone first button stands where the second one stands.
    bool button1AtSecondPlace = false;
    // Focus moves here when the scene is shown; None leaves it where it was.
    SceneControl focus = SceneControl::None;
    // What Enter presses when no push button has the focus: the main
    // window's OK; nothing on the opening card.
    SceneControl enterDefault = SceneControl::None;
    // A close request is refused while the scene is on screen.
    bool closeRefused = false;
};

// What the scene's text and controls depend on besides the scene.
struct SceneFacts {
    std::optional<std::string> writeTime;  // whole minutes, decimal: fills in the placeholder
    std::string portCause;  // why the port did not open, a line after the notices ("" for none)
};

// The facts a window gives for scene: the write time for ConfirmUpdate
// only; the port's cause, asked of portCause, for PortUnavailable only.
SceneFacts FactsFor(Scene scene, int writeTimeSeconds, const std::function<std::string()>& portCause);

// Notice lines first to last (none when last < first), the write time
// filled in where given.
std::vector<SceneLine> NoticeLines(int first, int last, const std::optional<std::string>& writeTime);

// The scene as a window draws it. A scene outside the table gives an empty
// view of that number (no lines, nothing shown).
SceneView MakeSceneView(Scene scene, const SceneFacts& facts = {});

// Scene 4's minutes: (seconds + 79) div 60, in decimal.
std::string WriteTimeText(int seconds);

// The title: "%3d%% - %s" from position * 100 div 255 while a processor is
// written, otherwise appTitle.
std::string WindowTitle(bool inProgress, int position, const std::string& appTitle);

// What an event of the sequencer does to the window.
struct EventOutcome {
    std::optional<Scene> scene;  // empty: the scene on screen stays
    bool beep = false;           // the critical-stop sound, before the scene is drawn
};
EventOutcome OutcomeOfEvent(SeqEvent event, int target);

// What the OK button does in the scene on screen.
enum class OkStep {
    Nothing,         // the sequencer cannot start, or OK has no part here
    PortOutOfRange,  // the error box, then the focus to the port box
    StartAtPort,     // SetPort(port), StartUpdate, show next
    Start,           // StartUpdate, show next
    Show,            // show next
    EndProgram,
};
struct OkDecision {
    OkStep step = OkStep::Nothing;
    Scene next = Scene::Opening;
    int port = 0;  // for StartAtPort
};
// portText is the port box's text (read in scene 1 only).
OkDecision DecideOk(Scene shown, bool canStart, const std::string& portText);

// The Exit button ends the program; in the two questions before the writing
// it first sends the radio the exit command.
bool ExitSendsExitCommand(Scene shown);

// A close request: refused in a writing scene and whenever a processor is
// being written, with the warning sound and the closing note (EndRequest.h).
struct CloseDecision {
    bool refused = false;
    bool beep = false;
};
CloseDecision DecideClose(Scene shown, bool writing);

// The port box as a scene shows it: an empty box is filled with the
// computer's ports (list, ascending) and offers the first, or "1" without
// any; a box with text shows portNumber.
bool PortBoxWantsList(const std::string& boxText);
std::string PortBoxText(const std::string& boxText, const std::vector<std::string>& list, int portNumber);
