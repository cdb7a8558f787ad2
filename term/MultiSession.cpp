#include "MultiSession.h"

#include "ExitStatus.h"
#include "FirmImages.h"
#include "NoticeLines.h"
#include "NoticeTable.h"
#include "PortList.h"
#include "PortWait.h"
#include "SceneTable.h"
#include "TickRhythm.h"
#include "TraceLog.h"
#include "TracingSerialDriver.h"
#include "clsMainSeq.h"

#include <algorithm>
#include <optional>

namespace {

std::string MinutesSeconds(int64_t ms)
{
    const int64_t seconds = (ms + 500) / 1000;
    return std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60);
}

std::string Padded(std::string text, size_t width)
{
    if (text.size() < width) {
        text.resize(width, ' ');
    }
    return text;
}

} // namespace

MultiSession::MultiSession(TermHost& termHost, std::ostream& output, const MultiSettings& multiSettings,
                           const PlatformMaker& makePlatform, TermHooks termHooks, std::ostream* traceOut)
    : host(termHost),
      out(output),
      settings(multiSettings),
      hooks(std::move(termHooks)),
      progress(output, multiSettings.terminal, multiSettings.ports.size()),
      shownStage(multiSettings.ports.size(), Scene::PortEntry)
{
    for (size_t i = 0; i < settings.ports.size(); ++i) {
        const int port = settings.ports[i];
        SeqPlatform platform = makePlatform(port);
        std::unique_ptr<TraceLog> trace;
        if (traceOut != nullptr) {
            trace = std::make_unique<TraceLog>(*traceOut, [this] { return host.NowMs(); },
                                               "COM" + std::to_string(port) + "  ");
            platform.driver = std::make_unique<TracingSerialDriver>(std::move(platform.driver), *trace);
            platform.packetWatch = [log = trace.get()](const PacketNote& note) { log->Packet(note); };
        }
        // A port's settle time is spent ticking the other radios.
        platform.hold = [this, i](int ms) { Hold(i, ms); };
        SerialDriver* driver = platform.driver.get();
        auto seq = std::make_unique<clsMainSeq>(BuiltInFirmware(), std::move(platform));
        slots.push_back(std::make_unique<RadioSlot>(port, std::move(seq), driver, std::move(trace),
                                                    [this, port](const std::string& line) {
                                                        progress.Interrupt();
                                                        PrintLine("COM" + std::to_string(port) + ": " + line);
                                                    }));
    }
}

MultiSession::~MultiSession() = default;

int MultiSession::Run()
{
    PrintScene(Scene::Opening, false);
    const SceneRow* opening = FindSceneRow(Scene::Opening);
    const Answer agreed = Ask(TrimmedNotice(NoticeText(opening->LastNotice, std::nullopt)), settings.agree, "--agree");
    if (agreed != Answer::Yes) {
        return agreed == Answer::No ? ExitStatus::Declined : ExitStatus::Signalled;
    }
    if (!Identify()) {
        LeaveReadyAlone();
        return ExitStatus::Signalled;
    }
    if (!Plan()) {
        return endRequested ? ExitStatus::Signalled : ExitStatus::Declined;
    }
    Write();
    Table();
    return Status();
}

void MultiSession::PrintLine(const std::string& text)
{
    out << text << '\n' << std::flush;
}

void MultiSession::PrintScene(Scene scene, bool withQuestion)
{
    const SceneRow* row = FindSceneRow(scene);
    const int last = withQuestion ? row->LastNotice : row->LastNotice - 1;
    for (int i = row->FirstNotice; i <= last; ++i) {
        PrintLine(TrimmedNotice(NoticeText(i, std::nullopt)));
    }
}

// A question for all radios; the radios are ticked while it waits.
MultiSession::Answer MultiSession::Ask(const std::string& question, bool given, const char* flag)
{
    out << question << " [y/N] " << std::flush;
    if (given) {
        out << "yes (" << flag << ")\n" << std::flush;
        return Answer::Yes;
    }
    for (;;) {
        const TermHost::Wake wake = Cycle(true);
        if (wake.signal != 0) {
            out << "\n";
            PrintLine(TermSession::SignalEndText);
            endRequested = true;
            return Answer::Ended;
        }
        if (!wake.input) {
            continue;
        }
        std::string line;
        if (!host.ReadLine(line)) {
            out << "\n" << std::flush;  // the input ended: no
            return Answer::No;
        }
        const size_t first = line.find_first_not_of(" \t");
        return first != std::string::npos && (line[first] == 'y' || line[first] == 'Y') ? Answer::Yes : Answer::No;
    }
}

// Every radio gets the identity request and nothing more, all at once.
bool MultiSession::Identify()
{
    PrintLine(TrimmedNotice(NoticeText(FindSceneRow(Scene::PortEntry)->FirstNotice, std::nullopt)));
    std::string names;
    for (const auto& slot : slots) {
        names += (names.empty() ? "" : ", ") + slot->Name();
    }
    PrintLine((settings.probing ? "Asking the USB serial ports who they are: " : "COM ports: ") + names + ".");
    for (const auto& slot : slots) {
        slot->Identify();
    }
    for (;;) {
        const bool identifying = std::any_of(slots.begin(), slots.end(), [](const auto& slot) {
            return slot->GetPhase() == RadioSlot::Phase::Identifying;
        });
        if (!identifying) {
            return true;
        }
        if (Cycle(false).signal != 0) {
            PrintLine(TermSession::SignalEndText);
            endRequested = true;
            return false;
        }
    }
}

bool MultiSession::LeftAlone(const RadioSlot& slot) const
{
    return settings.probing && !slot.Started() && ExitStatusOfScene(slot.Outcome()) > 0;
}

// What will happen to each radio, and the start for all of them.
bool MultiSession::Plan()
{
    int longest = 0;
    for (const auto& slot : slots) {
        const std::string device = PortDevicePath(slot->Port());
        const std::string name = slot->Name() + (device.empty() ? "" : " (" + device + ")");
        if (slot->GetPhase() == RadioSlot::Phase::Ready) {
            PrintLine(name + ": CPU / DSP " + slot->VersionsBefore() + ": " + slot->PlanText());
            longest = std::max(longest, slot->Seq().GetWriteTime());
        } else if (LeftAlone(*slot)) {
            PrintLine(name + ": no radio in update mode answered; left alone.");
        } else if (slot->Outcome() == Scene::NotNeeded) {
            PrintLine(name + ": CPU / DSP " + slot->VersionsBefore() + ": " + SceneLine(Scene::NotNeeded)
                      + " Left alone.");
        } else {
            PrintLine(name + ": " + SceneLine(slot->Outcome()));
        }
    }
    const size_t ready = static_cast<size_t>(std::count_if(slots.begin(), slots.end(), [](const auto& slot) {
        return slot->GetPhase() == RadioSlot::Phase::Ready;
    }));
    if (ready == 0) {
        return true;  // nothing to write: the table says why
    }
    PrintLine("Writing " + std::to_string(ready) + (ready == 1 ? " radio" : " radios") + " at once takes about "
              + std::to_string((longest + 79) / 60) + " minutes.");
    const SceneRow* row = FindSceneRow(Scene::ConfirmUpdate);
    const Answer start = Ask(TrimmedNotice(NoticeText(row->LastNotice, std::nullopt)), settings.yes, "--yes");
    if (start != Answer::Yes) {
        LeaveReadyAlone();
        return false;
    }
    const int64_t now = host.NowMs();
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i]->GetPhase() == RadioSlot::Phase::Ready) {
            slots[i]->StartWriting(now, settings.retries);
            progress.Say(i, slots[i]->Name() + " connecting");
        } else {
            progress.Say(i, slots[i]->Name() + " left alone");
        }
    }
    writingStarted = true;
    return true;
}

void MultiSession::LeaveReadyAlone()
{
    for (const auto& slot : slots) {
        slot->LeaveAlone();
    }
}

void MultiSession::Write()
{
    if (!writingStarted) {
        return;
    }
    progress.Draw(host.NowMs(), true);
    for (;;) {
        const bool running = std::any_of(slots.begin(), slots.end(), [](const auto& slot) {
            return slot->GetPhase() != RadioSlot::Phase::Ended;
        });
        if (!running) {
            break;
        }
        const TermHost::Wake wake = Cycle(false);
        if (wake.signal == 0) {
            continue;
        }
        // Refused while any radio is written; remembered, and honoured once
        // every radio has ended: no radio is tried again meanwhile.
        if (AnyWriting()) {
            progress.Interrupt();
            PrintLine(RefusedText);
        }
        endRequested = true;
        for (const auto& slot : slots) {
            slot->StopTrying(host.NowMs());
        }
    }
    progress.Draw(host.NowMs(), true);
    if (writingNow && hooks.writingChanged) {
        writingNow = false;
        hooks.writingChanged(false);
    }
}

bool MultiSession::AnyWriting() const
{
    return std::any_of(slots.begin(), slots.end(), [](const auto& slot) { return slot->Writing(); });
}

TermHost::Rest MultiSession::RestFor(size_t except, bool busy, bool wantInput)
{
    TermHost::Rest rest;
    rest.busy = busy;
    rest.wantInput = wantInput;
    rest.ms = TickRhythm::RestMs;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i != except && slots[i]->GetPhase() != RadioSlot::Phase::Ended) {
            rest.ms = std::min(rest.ms, slots[i]->Seq().TickWaitMs());
        }
    }
    rest.waitOnPort = [this, except](int ms) {
        std::vector<SerialDriver*> drivers;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (i != except && slots[i]->GetPhase() != RadioSlot::Phase::Ended) {
                drivers.push_back(slots[i]->Driver());
            }
        }
        WaitForAnyInput(drivers, ms);
    };
    return rest;
}

// One turn of the loop: every radio ticked once, then one rest that any
// radio's bytes, a signal or (wantInput) a typed line ends.
TermHost::Wake MultiSession::Cycle(bool wantInput)
{
    bool busy = false;
    for (size_t i = 0; i < slots.size(); ++i) {
        busy = TickSlot(i) || busy;
    }
    FollowWriting();
    if (hooks.eachTick) {
        hooks.eachTick();
    }
    TermHost::Wake wake = host.RestAfterTick(RestFor(slots.size(), busy, wantInput));
    if (heldSignal != 0) {
        wake.signal = heldSignal;
        heldSignal = 0;
    }
    return wake;
}

bool MultiSession::TickSlot(size_t index)
{
    RadioSlot& slot = *slots[index];
    if (slot.InStep()) {
        return false;  // its settle time is being spent: the others run meanwhile
    }
    const int64_t now = host.NowMs();
    const bool moved = slot.Tick(now);
    if (!writingStarted) {
        return moved;
    }
    const Scene scene = slot.CurrentScene();
    switch (slot.GetPhase()) {
    case RadioSlot::Phase::Writing:
        if ((scene == Scene::WritingCpu || scene == Scene::WritingDsp) && shownStage[index] != scene) {
            shownStage[index] = scene;
            progress.Begin(index, slot.Name() + (scene == Scene::WritingCpu ? " CPU" : " DSP"), slot.WritingStartMs());
        }
        if (scene == Scene::WritingCpu || scene == Scene::WritingDsp) {
            progress.Show(index, slot.Seq().GetProgress(), now);
        }
        break;
    case RadioSlot::Phase::PowerCycle:
        shownStage[index] = Scene::PortEntry;
        progress.Say(index, slot.Name() + " waits for its power cycle");
        break;
    case RadioSlot::Phase::Ended:
        progress.Say(index, slot.Name() + " " + SceneLine(slot.Outcome()));
        break;
    default:
        break;
    }
    progress.Draw(now);
    return moved;
}

void MultiSession::FollowWriting()
{
    const bool writing = AnyWriting();
    if (writing != writingNow) {
        writingNow = writing;
        if (hooks.writingChanged) {
            hooks.writingChanged(writing);
        }
    }
}

// The settle time one radio's port asks for (its sequencer holds the thread
// there) is spent ticking the others, so that none of them waits for it.
void MultiSession::Hold(size_t holder, int ms)
{
    const int64_t until = host.NowMs() + ms;
    while (host.NowMs() < until) {
        bool busy = false;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (i != holder) {
                busy = TickSlot(i) || busy;
            }
        }
        TermHost::Rest rest = RestFor(holder, busy, false);
        rest.ms = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(rest.ms, until - host.NowMs())));
        const TermHost::Wake wake = host.RestAfterTick(rest);
        if (wake.signal != 0) {
            heldSignal = wake.signal;
        }
    }
}

void MultiSession::Table()
{
    progress.Interrupt();
    struct Line {
        std::string port, before, after, time, outcome;
    };
    std::vector<Line> lines = {{"Port", "Before (CPU / DSP)", "After (CPU / DSP)", "Time", "Outcome"}};
    for (const auto& slot : slots) {
        const std::string outcome = LeftAlone(*slot) ? "No radio in update mode answered; left alone."
                                                     : SceneLine(slot->Outcome());
        const std::string tries = slot->Tries() > 0 ? " (" + std::to_string(slot->Tries() + 1) + " tries)" : "";
        lines.push_back({slot->Name(), slot->VersionsBefore().empty() ? "-" : slot->VersionsBefore(),
                         slot->VersionsAfter().empty() ? "-" : slot->VersionsAfter(),
                         slot->Started() ? MinutesSeconds(slot->SpentMs()) : "-", outcome + tries});
    }
    size_t widths[4] = {};
    for (const Line& line : lines) {
        widths[0] = std::max(widths[0], line.port.size());
        widths[1] = std::max(widths[1], line.before.size());
        widths[2] = std::max(widths[2], line.after.size());
        widths[3] = std::max(widths[3], line.time.size());
    }
    out << '\n';
    for (const Line& line : lines) {
        PrintLine(Padded(line.port, widths[0] + 2) + Padded(line.before, widths[1] + 2)
                  + Padded(line.after, widths[2] + 2) + Padded(line.time, widths[3] + 2) + line.outcome);
    }
}

// 0 when every radio completed or needed nothing (or, with --all, had no
// radio behind it); otherwise the worst outcome's status.
int MultiSession::Status() const
{
    int status = ExitStatus::Done;
    bool anyRadio = false;
    for (const auto& slot : slots) {
        if (LeftAlone(*slot)) {
            continue;
        }
        anyRadio = true;
        status = WorseExitStatus(status, ExitStatusOfScene(slot->Outcome()));
    }
    return anyRadio ? status : static_cast<int>(Scene::NoAnswer);
}
