#include "RadioSlot.h"

#include "CloseRule.h"
#include "EventSceneTable.h"
#include "ExitStatus.h"
#include "ProcessorProfile.h"
#include "TraceLog.h"
#include "VersionCheck.h"
#include "clsMainSeq.h"

namespace {

bool IsQuestion(Scene scene)
{
    return scene == Scene::ConfirmUpdate || scene == Scene::ConfirmDowngrade;
}

bool IsSuccess(Scene scene)
{
    return scene == Scene::Completed || scene == Scene::NotNeeded;
}

} // namespace

RadioSlot::RadioSlot(int portNumber, std::unique_ptr<clsMainSeq> sequencer, SerialDriver* portDriver,
                     std::unique_ptr<TraceLog> traceLog, std::function<void(const std::string&)> sayLine)
    : port(portNumber),
      trace(std::move(traceLog)),
      seq(std::move(sequencer)),
      driver(portDriver),
      say(std::move(sayLine)),
      traced(seq->GetState())
{
}

RadioSlot::~RadioSlot() = default;

std::string RadioSlot::Name() const
{
    return "COM" + std::to_string(port);
}

void RadioSlot::Identify()
{
    seq->SetPort(port);
    seq->StartUpdate();
    scene = Scene::Connecting;
    if (phase == Phase::Idle) {
        phase = Phase::Identifying;
    }
}

void RadioSlot::StartWriting(int64_t nowMs, int retryCount)
{
    if (phase != Phase::Ready) {
        return;
    }
    retries = retryCount;
    started = true;
    startMs = nowMs;
    stageStartMs = nowMs;
    phase = Phase::Writing;
    seq->StartUpdate();
    scene = Scene::ConnectingToWrite;
}

void RadioSlot::LeaveAlone()
{
    if (phase != Phase::Ready) {
        return;
    }
    inStep = true;  // its settle time must not tick it again
    seq->SendExit();
    inStep = false;
    phase = Phase::Ended;
    outcome = Scene::NotNeeded;
    failure = Scene::NotNeeded;
    stopTrying = true;
}

void RadioSlot::StopTrying(int64_t nowMs)
{
    stopTrying = true;
    if (phase == Phase::PowerCycle && !Writing()) {
        End(failure, nowMs);
    }
}

bool RadioSlot::Writing() const
{
    return !CanClose(scene) || seq->IsInProgress();
}

bool RadioSlot::Rests() const
{
    return seq->CanStart();
}

void RadioSlot::TraceState()
{
    if (trace != nullptr && seq->GetState() != traced) {
        trace->State(traced, seq->GetState());
    }
    traced = seq->GetState();
}

bool RadioSlot::Tick(int64_t nowMs)
{
    if (phase == Phase::Idle || phase == Phase::Ended) {
        return false;
    }
    TraceState();
    const SeqState was = seq->GetState();
    inStep = true;
    const SeqEvent code = seq->Step();
    inStep = false;
    TraceState();
    if (code != SeqEvent::EvNone) {
        if (trace != nullptr) {
            trace->Event(code, seq->GetTarget());
        }
        if (const std::optional<Scene> next = SceneForEvent(code, seq->GetTarget())) {
            Show(*next, nowMs);
        }
        seq->ClearEvent();
    }
    Follow(nowMs);
    return code != SeqEvent::EvNone || seq->GetState() != was;
}

void RadioSlot::Show(Scene next, int64_t nowMs)
{
    if ((next == Scene::WritingCpu || next == Scene::WritingDsp) && next != scene) {
        stageStartMs = nowMs;
    }
    scene = next;
}

// What a scene reached means for this radio, once its sequencer rests.
void RadioSlot::Follow(int64_t nowMs)
{
    if (!Rests()) {
        return;
    }
    const bool final = ExitStatusOfScene(scene) >= 0;
    switch (phase) {
    case Phase::Identifying:
        if (IsQuestion(scene) || scene == Scene::NotNeeded) {
            before = VersionsOf(seq->GetIdent());
        }
        if (IsQuestion(scene)) {
            phase = Phase::Ready;
        } else if (final) {
            End(scene, nowMs);
        }
        break;
    case Phase::Writing:
        if (!final) {
            break;
        }
        if (scene == Scene::Completed) {
            after = VersionsOf(seq->GetIdent());
        }
        if (IsSuccess(scene) || stopTrying || tries >= retries) {
            End(scene, nowMs);
            break;
        }
        failure = scene;
        ++tries;
        phase = Phase::PowerCycle;
        powerCycleSince = nowMs;
        nextPollMs = nowMs + PowerCyclePollMs;
        scene = Scene::PortEntry;
        say("switch the radio on " + Name() + " off and on (try " + std::to_string(tries + 1) + " of "
            + std::to_string(retries + 1) + ")");
        break;
    case Phase::PowerCycle:
        // The radio answering the identity request again is how its power
        // cycle shows; until then it is asked again every so often.
        if (IsQuestion(scene)) {
            phase = Phase::Ready;
            const int64_t firstStart = startMs;
            StartWriting(nowMs, retries);
            startMs = firstStart;
        } else if (scene == Scene::NotNeeded) {
            after = VersionsOf(seq->GetIdent());
            End(Scene::Completed, nowMs);
        } else if (stopTrying || nowMs - powerCycleSince >= PowerCycleWaitMs) {
            End(failure, nowMs);
        } else if (nowMs >= nextPollMs && (final || scene == Scene::PortEntry)) {
            nextPollMs = nowMs + PowerCyclePollMs;
            Identify();
        }
        break;
    case Phase::Idle:
    case Phase::Ready:
    case Phase::Ended:
        break;
    }
}

void RadioSlot::End(Scene how, int64_t nowMs)
{
    outcome = how;
    phase = Phase::Ended;
    endMs = nowMs;
    if (trace != nullptr) {
        trace->Flush();
    }
}

std::string RadioSlot::PlanText() const
{
    std::string what;
    for (const ProcessorProfile* profile : processorProfiles) {
        bool invalid = false;
        const int r = seq->CompareVersion(profile->target, invalid);
        if (r == 0 && !invalid && !HasBlankCpu(seq->GetIdent())) {
            continue;
        }
        const char* name = profile->target == TargetCpu ? "CPU" : "DSP";
        what += (what.empty() ? "" : ", ") + std::string(name) + (r > 0 ? " (the radio's is newer: goes back)" : "");
    }
    return "writes " + (what.empty() ? std::string("nothing") : what) + ", about "
        + std::to_string((seq->GetWriteTime() + 79) / 60) + " min";
}

std::string RadioSlot::VersionsOf(const uint8_t* ident)
{
    std::string text;
    for (const ProcessorProfile* profile : processorProfiles) {
        std::string version(reinterpret_cast<const char*>(ident + profile->identText), versionTextLength);
        for (char& c : version) {
            c = (c >= 0x20 && c < 0x7F) ? c : '?';
        }
        const size_t last = version.find_last_not_of(' ');
        version = last == std::string::npos ? "-" : version.substr(0, last + 1);
        text += (text.empty() ? "" : " / ") + version;
    }
    return text;
}
