#pragma once
#include "MultiProgress.h"
#include "RadioSlot.h"
#include "SeqPlatform.h"
#include "TermHost.h"
#include "TermSession.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct MultiSettings {
    std::vector<int> ports;
    bool agree = false;     // --agree
    bool yes = false;       // --yes
    bool terminal = false;  // the output is a terminal: a block of progress lines
    int retries = 0;        // --retry N
    // --all: the ports were not named by the user; one whose radio does not
    // answer as the radio in update mode is reported and left alone.
    bool probing = false;
};

// What a radio's sequencer runs on, for its port: the driver (the platform's
// in the program, the in-memory cable in tests) and, in tests, the clock and
// the COM numbering. The session adds the trace and the settle-time hold.
using PlatformMaker = std::function<SeqPlatform(int port)>;

// Several radios updated at once in a terminal: one sequencer, one port and
// one set of timers per radio, all ticked from one loop that waits on every
// port at once, so that a radio's answer is taken the moment it arrives and
// a slow, failing or unplugged radio never holds the others up. The
// questions are asked once for all: the caution notice, then the plan and
// the start. Ends with a table (port, versions before and after, time,
// outcome) and the worst radio's exit status.
class MultiSession {
public:
    // Everything given must outlive the session; traceOut (the trace, its
    // lines prefixed with the port) may be null.
    MultiSession(TermHost& host, std::ostream& out, const MultiSettings& settings, const PlatformMaker& makePlatform,
                 TermHooks hooks = {}, std::ostream* traceOut = nullptr);
    ~MultiSession();
    MultiSession(const MultiSession&) = delete;
    MultiSession& operator=(const MultiSession&) = delete;

    int Run();

    size_t Count() const { return slots.size(); }
    const RadioSlot& Slot(size_t index) const { return *slots.at(index); }

    static constexpr const char* RefusedText =
        "Refused: radios are being written. The program ends once every radio's writing has ended.";

private:
    enum class Answer { Yes, No, Ended };

    void PrintLine(const std::string& text);
    void PrintScene(Scene scene, bool withQuestion);
    Answer Ask(const std::string& question, bool given, const char* flag);
    TermHost::Wake Cycle(bool wantInput);
    bool TickSlot(size_t index);
    void Hold(size_t holder, int ms);
    TermHost::Rest RestFor(size_t except, bool busy, bool wantInput);
    bool Identify();
    bool Plan();
    void Write();
    void Table();
    int Status() const;
    bool AnyWriting() const;
    bool LeftAlone(const RadioSlot& slot) const;
    void LeaveReadyAlone();
    void FollowWriting();

    TermHost& host;
    std::ostream& out;
    MultiSettings settings;
    TermHooks hooks;
    std::vector<std::unique_ptr<RadioSlot>> slots;
    MultiProgress progress;
    std::vector<Scene> shownStage;  // the writing scene each progress line shows
    bool writingStarted = false;
    bool writingNow = false;
    bool endRequested = false;
    int heldSignal = 0;  // a signal that came during a settle-time hold
};
