// The sequencer fed by a fuzzed radio: every byte it reads comes from the
// script, its clock moves only as the harness says and Flush does not
// sleep. Whatever the radio says, every run must come to rest (Standby or
// Confirm) within a bounded number of steps, and the heap must stay within
// what one update needs.
#include "FuzzSerialDriver.h"
#include "FuzzTargets.h"
#include "HeapGauge.h"
#include "ManualClock.h"

#include "FirmImages.h"
#include "SeqEvents.h"
#include "clsMainSeq.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int MaxStarts = 6;
// Two stores of 16 MiB for the main processor (image and flash writer) are
// the most one update holds; everything else is small.
constexpr size_t HeapAllowance = 40u << 20;
constexpr uint32_t StepMs = 1;       // a step that read something
constexpr uint32_t WaitMs = 10;      // a step that found nothing to read
constexpr uint32_t SilentMs = 100;   // the script has ended: the radio is silent

constexpr uint32_t ClockStarts[4] = {0, 1000, 0xFFFFF000u, 0x7FFFFFF0u};
constexpr uint32_t ShortWrites[4] = {0, 40, 400, 3000};
constexpr uint32_t BusyQueries[4] = {0, 1, 3, 20};

bool Resting(SeqState state)
{
    return state == SeqState::Standby || state == SeqState::Confirm;
}

std::string Number(SeqState state)
{
    return std::to_string(static_cast<int32_t>(state));
}

// One tick as the window gives it, with the radio answering first when due.
// With RX_FUZZ_TRACE set, every change of state and every event goes to
// stderr, to see how far a seed gets.
void Tick(clsMainSeq& seq, FuzzSerialDriver& line, ManualClock& clock, bool trace)
{
    if (line.AnswerDue()) {
        clock.Advance(line.DeliverNext());
    }
    const uint64_t readBefore = line.BytesRead();
    const SeqState before = seq.GetState();
    const SeqEvent event = seq.Step();
    seq.ClearEvent();
    if (trace && (event != SeqEvent::EvNone || seq.GetState() != before)) {
        std::fprintf(stderr, "%10u ms  state %2d -> %2d  event %2d  progress %3d  blocks %d/%d  queued %zu\n", clock.Now(),
                     static_cast<int>(before), static_cast<int>(seq.GetState()), static_cast<int>(event),
                     seq.GetProgress(), seq.GetBlocksDone(), seq.GetBlocksTotal(), line.Queued());
    }
    if (line.BytesRead() != readBefore) {
        clock.Advance(StepMs);
    } else {
        clock.Advance(line.Exhausted() ? SilentMs : WaitMs);
    }
}

std::optional<std::string> ComOneOnly(int number)
{
    return number == 1 ? std::optional<std::string>("com1") : std::nullopt;
}

std::string RunScript(const uint8_t* data, size_t size, size_t heapBefore)
{
    const uint8_t h = data[0];
    FuzzSerialDriver::Behaviour behaviour;
    behaviour.openFailures = (h & 3) == 3 ? -1 : (h & 3);
    behaviour.shortWriteAt = ShortWrites[(h >> 2) & 3];
    behaviour.busyQueries = BusyQueries[(h >> 4) & 3];
    ManualClock clock(ClockStarts[(h >> 6) & 3]);
    auto owned = std::make_unique<FuzzSerialDriver>(data + 1, size - 1, behaviour);
    FuzzSerialDriver& line = *owned;
    // Without timers of its own the sequencer runs its send task's timers at
    // every Step, on the harness's clock.
    // The scripted line opens whatever it is given: COM1 needs a name, not a
    // device.
    clsMainSeq seq(BuiltInFirmware(), {.driver = std::move(owned), .resolver = ComOneOnly, .clock = &clock,
                                        .hold = [](int) {}});
    seq.SetPort(1);
    const bool trace = std::getenv("RX_FUZZ_TRACE") != nullptr;
    seq.Step();
    seq.Step();
    if (seq.GetState() != SeqState::Standby) {
        return "not in Standby two steps after construction";
    }
    // Every step reads a byte or moves the clock by at least 10 ms, and no
    // state waits longer than 15 s for a byte that a record could bring.
    const uint64_t stepLimit = 200000 + 4000 * static_cast<uint64_t>(size);
    uint64_t steps = 0;
    for (int start = 0; start < MaxStarts; ++start) {
        if (!seq.CanStart()) {
            return "cannot start while resting in state " + Number(seq.GetState());
        }
        seq.StartUpdate();
        do {
            if (++steps > stepLimit) {
                return "no rest within " + std::to_string(stepLimit) + " steps; state "
                    + Number(seq.GetState());
            }
            Tick(seq, line, clock, trace);
        } while (!Resting(seq.GetState()));
        // The window keeps ticking; the resting state's own work closes the port.
        Tick(seq, line, clock, trace);
        if (!Resting(seq.GetState())) {
            return "left the resting state without a start";
        }
        const size_t heap = HeapInUse();
        if (heap > heapBefore + HeapAllowance) {
            return "heap grew by " + std::to_string(heap - heapBefore) + " bytes";
        }
        if (line.IsOpen()) {
            return "port open while resting in state " + Number(seq.GetState());
        }
        if (seq.GetProgress() < 0 || seq.GetProgress() > 255) {
            return "progress out of range: " + std::to_string(seq.GetProgress());
        }
        if (seq.GetState() != SeqState::Confirm && line.Exhausted()) {
            break;
        }
    }
    return "";
}

} // namespace

std::string FuzzSequencer(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return "";
    }
    const size_t heapBefore = HeapInUse();
    const std::string problem = RunScript(data, size, heapBefore);
    if (!problem.empty()) {
        return problem;
    }
    // The sequencer and its port are gone: nothing of the run stays behind.
    const size_t heapAfter = HeapInUse();
    if (heapAfter > heapBefore + 4096) {
        return "heap kept " + std::to_string(heapAfter - heapBefore) + " bytes after the run";
    }
    return "";
}
