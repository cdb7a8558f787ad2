#include "TermSession.h"

#include "CloseRule.h"
#include "EventSceneTable.h"
#include "ExitStatus.h"
#include "NoticeLines.h"
#include "NoticeTable.h"
#include "OpenCause.h"
#include "Platform.h"
#include "PortList.h"
#include "SceneTable.h"
#include "TraceLog.h"
#include "WriteOutcome.h"
#include "clsMainSeq.h"

namespace {

// The scenes whose last notice line is a question.
bool EndsInQuestion(Scene scene)
{
    return scene == Scene::Opening || scene == Scene::ConfirmDowngrade || scene == Scene::ConfirmUpdate;
}

// The program's name at the head of a line on standard error.
std::string Program()
{
    const std::string name = ProgramFileName();
    return name.empty() ? "rx77nova-update" : name;
}

} // namespace

TermSession::TermSession(clsMainSeq& sequencer, TermHost& termHost, std::ostream& output,
                         const TermSettings& termSettings, TermHooks termHooks, TraceLog* traceLog)
    : seq(sequencer),
      host(termHost),
      out(output),
      settings(termSettings),
      hooks(std::move(termHooks)),
      trace(traceLog),
      progress(output, termSettings.terminal, [this] { return host.Columns(); }),
      traced(sequencer.GetState())
{
}

int TermSession::Run()
{
    Present(Scene::Opening);
    Ask(Question::Agreement, settings.agree, "--agree");
    while (!status) {
        const TermHost::Wake wake = Tick();
        if (wake.signal != 0 && SignalEnds(wake.signal)) {
            break;
        }
        if (OutputEnds()) {
            break;
        }
        TakeAnswer(wake);
        if (answer && Act(*answer)) {
            answer.reset();
        }
        const int ending = ExitStatusOfScene(scene);
        // The window's OK ends the program from a final scene once the
        // sequencer rests (the exit command, where one is due, has gone).
        if (ending >= 0 && seq.CanStart()) {
            EndAtOutcome(ending);
        }
    }
    progress.End();
    if (writing && hooks.writingChanged) {
        hooks.writingChanged(false);
    }
    if (trace != nullptr) {
        trace->Flush();
    }
    return *status;
}

// One tick of the window's worker: Step, the event shown, ClearEvent; then
// the rest.
TermHost::Wake TermSession::Tick()
{
    TraceState();  // an answer may have started the sequencer
    const SeqState before = seq.GetState();
    const SeqEvent code = seq.Step();
    TraceState();
    if (code != SeqEvent::EvNone) {
        if (trace != nullptr) {
            trace->Event(code, seq.GetTarget());
        }
        HandleEvent(code, seq.GetTarget());
        seq.ClearEvent();
    }
    FollowWriting();
    if (hooks.eachTick) {
        hooks.eachTick();
    }
    TermHost::Rest rest;
    rest.busy = code != SeqEvent::EvNone || seq.GetState() != before;
    rest.wantInput = asking != Question::None && !answer;
    rest.ms = seq.TickWaitMs();
    rest.waitOnPort = [this](int ms) { seq.WaitForInput(ms); };
    return host.RestAfterTick(rest);
}

void TermSession::TraceState()
{
    if (trace != nullptr && seq.GetState() != traced) {
        trace->State(traced, seq.GetState());
    }
    traced = seq.GetState();
}

void TermSession::FollowWriting()
{
    if (scene == Scene::WritingCpu || scene == Scene::WritingDsp) {
        progress.Show(seq.GetProgress(), host.NowMs());
    }
    if (seq.IsInProgress() != writing) {
        writing = seq.IsInProgress();
        if (hooks.writingChanged) {
            hooks.writingChanged(writing);
        }
    }
}

void TermSession::HandleEvent(SeqEvent code, int target)
{
    const std::optional<Scene> next = SceneForEvent(code, target);
    if (!next) {
        return;
    }
    Present(*next);
    if (*next == Scene::ConfirmDowngrade) {
        Ask(Question::Downgrade, settings.yes, "--yes");
    } else if (*next == Scene::ConfirmUpdate) {
        Ask(Question::Update, settings.yes, "--yes");
    }
}

// The scene's notice lines, as the window shows them; a question, the last
// line of its scene, is asked by Ask.
void TermSession::Present(Scene next)
{
    progress.End();
    scene = next;
    const SceneRow* row = FindSceneRow(next);
    if (row == nullptr) {
        return;
    }
    std::optional<std::string> writeTime;
    if (next == Scene::ConfirmUpdate) {
        writeTime = std::to_string((seq.GetWriteTime() + 79) / 60);  // as scene 4 of the window
    }
    const int last = EndsInQuestion(next) ? row->LastNotice - 1 : row->LastNotice;
    for (int i = row->FirstNotice; i <= last; ++i) {
        PrintLine(TrimmedNotice(NoticeText(i, writeTime)));
    }
    if (next == Scene::PortUnavailable) {
        const std::string cause = OpenCauseText(seq.GetPort(), seq.GetOpenFailure(), seq.GetOpenError());
        if (!cause.empty()) {
            PrintLine(cause);
        }
    }
    if (next == Scene::WritingCpu || next == Scene::WritingDsp) {
        progress.Begin(next == Scene::WritingCpu ? "CPU" : "DSP", host.NowMs());
    }
}

void TermSession::PrintLine(const std::string& text)
{
    out << text << '\n' << std::flush;
}

void TermSession::Ask(Question question, bool given, const char* flag)
{
    const SceneRow* row = FindSceneRow(scene);
    asking = question;
    answer.reset();
    out << TrimmedNotice(NoticeText(row->LastNotice, std::nullopt)) << " [y/N] " << std::flush;
    if (given) {
        out << "yes (" << flag << ")\n" << std::flush;
        answer = true;
    }
}

void TermSession::TakeAnswer(const TermHost::Wake& wake)
{
    if (asking == Question::None || answer || !wake.input) {
        return;
    }
    std::string line;
    if (!host.ReadLine(line)) {
        out << "\n" << std::flush;  // the input ended: no
        answer = false;
        return;
    }
    const size_t first = line.find_first_not_of(" \t");
    answer = first != std::string::npos && (line[first] == 'y' || line[first] == 'Y');
}

// As the buttons do: Yes (the window's OK) acts only once the sequencer can
// start; No ends the program, sending the exit command in scenes 3 and 4
// as the window's Exit does.
bool TermSession::Act(bool yes)
{
    const Question question = asking;
    if (!yes) {
        asking = Question::None;
        if (question == Question::Downgrade || question == Question::Update) {
            seq.SendExit();
        }
        status = ExitStatus::Declined;
        return true;
    }
    if (!seq.CanStart()) {
        return false;
    }
    asking = Question::None;
    switch (question) {
    case Question::Agreement:
        Begin();
        break;
    case Question::Downgrade:
        Present(Scene::ConfirmUpdate);
        Ask(Question::Update, settings.yes, "--yes");
        return false;  // the new question's answer is still to come
    case Question::Update:
        seq.StartUpdate();
        Present(Scene::ConnectingToWrite);
        break;
    case Question::None:
        break;
    }
    return true;
}

// Scene 1 with the port given on the command line, then OK.
void TermSession::Begin()
{
    const SceneRow* row = FindSceneRow(Scene::PortEntry);
    PrintLine(TrimmedNotice(NoticeText(row->FirstNotice, std::nullopt)));
    const std::string device = PortDevicePath(settings.port);
    PrintLine("COM port " + std::to_string(settings.port) + (device.empty() ? "" : " (" + device + ")") + ".");
    seq.SetPort(settings.port);
    seq.StartUpdate();
    Present(Scene::Connecting);
}

// A request to end ends the program unless a processor is being written;
// then it is kept, and honoured once the whole update has ended (never
// between the two processors). At a question after the radio answered, the
// radio is sent the exit command first, as No does.
bool TermSession::SignalEnds(int)
{
    if (!CanClose(scene) || seq.IsInProgress() || ExitStatusOfScene(scene) >= 0) {
        if (ExitStatusOfScene(scene) < 0) {
            progress.Interrupt();
            PrintLine(RefusedText);
        }
        endRequested = true;
        return false;
    }
    progress.End();
    if (asking != Question::None) {
        out << "\n";
    }
    if (scene == Scene::ConfirmDowngrade || scene == Scene::ConfirmUpdate) {
        seq.SendExit();
    }
    PrintLine(SignalEndText);
    status = ExitStatus::Signalled;
    return true;
}

// An output that fails ends the program as a request to end would, with
// its own status, while nothing is written and no outcome is there yet;
// otherwise the update goes on and ends with its outcome's status.
bool TermSession::OutputEnds()
{
    const std::string problem = host.OutputProblem();
    if (problem.empty() || !CanClose(scene) || seq.IsInProgress() || ExitStatusOfScene(scene) >= 0) {
        return false;
    }
    progress.End();
    if (scene == Scene::ConfirmDowngrade || scene == Scene::ConfirmUpdate) {
        seq.SendExit();
    }
    host.ErrorLine(Program() + ": " + problem);
    status = ExitStatus::OutputFailed;
    return true;
}

// The outcome's line goes to standard error as well when a request to end
// waits for it, or when standard output can no longer show it.
void TermSession::EndAtOutcome(int ending)
{
    status = ending;
    const std::string problem = host.OutputProblem();
    if (!problem.empty()) {
        host.ErrorLine(Program() + ": " + problem);
    }
    if (endRequested || !problem.empty()) {
        host.ErrorLine(Program() + ": " + OutcomeLine());
    }
}

std::string TermSession::OutcomeLine() const
{
    const SceneRow* row = FindSceneRow(scene);
    return row != nullptr ? SceneText(row->FirstNotice, row->LastNotice) : std::string();
}
