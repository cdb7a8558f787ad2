#pragma once
#include "Scene.h"
#include "SeqEvents.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class clsMainSeq;
class SerialDriver;
class TraceLog;

// One radio of several updated at once: its port, its own sequencer (with
// its own port and timers), where it stands, and what the table at the end
// says of it. Ticked by the loop that ticks them all; it never waits.
class RadioSlot {
public:
    enum class Phase {
        Idle,          // made, not yet asked who it is
        Identifying,   // the identity request and its evaluation
        Ready,         // identified, needs writing: waits for the start
        Writing,       // connecting to write, writing, checking
        PowerCycle,    // failed; waits for the radio to answer again after its power cycle
        Ended,
    };

    // How long a radio may take to be switched off and on before its
    // failure stands, and the pause between two identity requests meanwhile.
    static constexpr int64_t PowerCycleWaitMs = 10 * 60 * 1000;
    static constexpr int64_t PowerCyclePollMs = 1000;

    // say prints one line of this radio's (the slot prefixes its port).
    // driver is the sequencer's, for the wait on every port; trace may be null.
    RadioSlot(int port, std::unique_ptr<clsMainSeq> sequencer, SerialDriver* driver,
              std::unique_ptr<TraceLog> trace, std::function<void(const std::string&)> say);
    ~RadioSlot();
    RadioSlot(const RadioSlot&) = delete;
    RadioSlot& operator=(const RadioSlot&) = delete;

    // The identity request: connect, identify, evaluate.
    void Identify();
    // From Ready: the writing, with this many tries after a failure.
    void StartWriting(int64_t nowMs, int retries);
    // From Ready, at a declined start or a request to end: the exit command,
    // as the window's Exit sends it; the radio is left alone.
    void LeaveAlone();
    // A request to end is remembered: no more tries; a radio waiting for its
    // power cycle ends with its failure.
    void StopTrying(int64_t nowMs);

    // One tick: Step, the event's scene, ClearEvent, then what follows from
    // it. True when the tick moved the sequencer.
    bool Tick(int64_t nowMs);

    int Port() const { return port; }
    std::string Name() const;  // "COM5"
    Phase GetPhase() const { return phase; }
    bool InStep() const { return inStep; }
    // A processor is being written: a request to end must wait.
    bool Writing() const;
    clsMainSeq& Seq() { return *seq; }
    const clsMainSeq& Seq() const { return *seq; }
    SerialDriver* Driver() const { return driver; }
    TraceLog* Trace() const { return trace.get(); }
    Scene CurrentScene() const { return scene; }
    // How it ended (Completed, NotNeeded or a failure scene); meaningful once Ended.
    Scene Outcome() const { return outcome; }
    int Tries() const { return tries; }
    // Its writing was started (the user's start, or a try after a power cycle).
    bool Started() const { return started; }
    // "1.00-000 / 1.00-000": the versions in the identity answer before the
    // writing, and after it ("" when the radio never said).
    const std::string& VersionsBefore() const { return before; }
    const std::string& VersionsAfter() const { return after; }
    // Time from the start of the writing to its end (0 when not written).
    int64_t SpentMs() const { return endMs > startMs ? endMs - startMs : 0; }
    // What the writing of this radio would do, for the plan.
    std::string PlanText() const;
    int64_t WritingStartMs() const { return stageStartMs; }

    // The processors' versions in an identity answer: "1.00-000 / 1.00-000".
    static std::string VersionsOf(const uint8_t* ident);

private:
    void Show(Scene next, int64_t nowMs);
    void Follow(int64_t nowMs);
    void End(Scene how, int64_t nowMs);
    void TraceState();
    bool Rests() const;

    int port;
    std::unique_ptr<TraceLog> trace;  // before the sequencer, which uses it
    std::unique_ptr<clsMainSeq> seq;
    SerialDriver* driver;
    std::function<void(const std::string&)> say;
    Phase phase = Phase::Idle;
    Scene scene = Scene::PortEntry;
    Scene outcome = Scene::NotNeeded;
    Scene failure = Scene::NoAnswer;  // the failure a power cycle may undo
    bool inStep = false;
    bool stopTrying = false;
    bool started = false;
    int retries = 0;
    int tries = 0;
    int64_t startMs = 0;
    int64_t endMs = 0;
    int64_t stageStartMs = 0;     // the current processor's writing began
    int64_t powerCycleSince = 0;
    int64_t nextPollMs = 0;
    std::string before;
    std::string after;
    SeqState traced;
};
