#pragma once
#include "Scene.h"
#include "SeqEvents.h"
#include "TermHost.h"
#include "TermProgress.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

class clsMainSeq;
class TraceLog;

// What the program around the loop adds: the sleep inhibitor of a build
// with the toolkit, and its events. Both may be empty.
struct TermHooks {
    std::function<void(bool writing)> writingChanged;  // a processor's writing began or ended
    std::function<void()> eachTick;
};

struct TermSettings {
    int port = 1;
    bool agree = false;     // --agree
    bool yes = false;       // --yes
    bool terminal = false;  // the output is a terminal: progress bars
};

// The update in a terminal: the same sequencer, ticked the way the main
// window ticks it (Step, the event shown as its scene, ClearEvent, a rest of
// about a millisecond), the same scenes and notice lines, and the buttons'
// rules for what an answer does. Ends with the program's exit status.
class TermSession {
public:
    // Everything given must outlive the session; trace may be null.
    TermSession(clsMainSeq& sequencer, TermHost& host, std::ostream& out, const TermSettings& settings,
                TermHooks hooks = {}, TraceLog* trace = nullptr);

    int Run();

    Scene CurrentScene() const { return scene; }

    // The line printed when a signal comes while a processor is written;
    // the request is kept and honoured once the whole update has ended.
    static constexpr const char* RefusedText =
        "Refused: a processor is being written. The program ends once the update has ended.";
    static constexpr const char* SignalEndText = "Ended by a signal.";

private:
    enum class Question { None, Agreement, Downgrade, Update };

    TermHost::Wake Tick();
    void HandleEvent(SeqEvent code, int target);
    void Present(Scene next);
    void PrintLine(const std::string& text);
    void Ask(Question question, bool given, const char* flag);
    void TakeAnswer(const TermHost::Wake& wake);
    // What an answer does once the sequencer can start; false while it cannot.
    bool Act(bool yes);
    void Begin();
    void FollowWriting();
    void TraceState();
    bool SignalEnds(int signal);
    bool OutputEnds();
    void EndAtOutcome(int ending);
    // The outcome scene's notice lines as one line.
    std::string OutcomeLine() const;

    clsMainSeq& seq;
    TermHost& host;
    std::ostream& out;
    TermSettings settings;
    TermHooks hooks;
    TraceLog* trace;
    TermProgress progress;
    Scene scene = Scene::Opening;
    Question asking = Question::None;
    std::optional<bool> answer;
    std::optional<int> status;  // set when the program is to end
    bool writing = false;
    bool endRequested = false;  // a request to end came while a processor was written
    SeqState traced;  // the state the trace last gave
};
