#pragma once
#include "SeqEvents.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class clsMainSeq;

// One event the sequencer reported, with what it looked like at that moment.
struct SeqRecord {
    int64_t ms;       // since the driver was made
    SeqEvent event;
    SeqState state;
    int target;
    int progress;
};

// How a driver's ticks meet time. The real pace waits between ticks as the
// window's worker does and reads the steady clock; a harness's pace moves a
// clock of its own.
class TickPace {
public:
    virtual ~TickPace() = default;
    // Milliseconds since the pace was made.
    virtual int64_t ElapsedMs() const = 0;
    // The rest after a tick; busy when the tick moved the sequencer to
    // another state or reported an event.
    virtual void Rest(bool busy) = 0;
};

// Ticks a sequencer the way the main window does (Step, handle, ClearEvent,
// at the sequencer's own rhythm, on the thread that owns the port) and records
// every event. A sequencer made without timers runs its send task's timers
// at every Step, so the ticks drive them.
class SeqDriver {
public:
    // Real time: between two ticks it waits for the radio's bytes for at
    // most the sequencer's TickWaitMs, as the window's worker does.
    explicit SeqDriver(clsMainSeq& sequencer);
    // Another pace, which must outlive the driver.
    SeqDriver(clsMainSeq& sequencer, TickPace& pace);
    ~SeqDriver();
    SeqDriver(const SeqDriver&) = delete;
    SeqDriver& operator=(const SeqDriver&) = delete;

    // One tick; returns the event handled (EvNone for none).
    SeqEvent Tick();
    // Ticks until done() holds or timeoutMs pass; true when done() held.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);
    // Ticks until the given event is reported; false on time-out.
    bool RunUntilEvent(SeqEvent event, int timeoutMs);
    // Ticks until the sequencer rests (Standby or Confirm) after having left
    // its resting state at least once since the call.
    bool RunUntilResting(int timeoutMs);

    const std::vector<SeqRecord>& Records() const { return records; }
    std::vector<SeqEvent> Events() const;
    int MaxProgress() const { return maxProgress; }
    bool ProgressEverDropped() const { return progressDropped; }
    int64_t ElapsedMs() const;
    void ClearRecords() { records.clear(); }

private:
    clsMainSeq& seq;
    std::unique_ptr<TickPace> ownPace;
    TickPace& pace;
    std::vector<SeqRecord> records;
    int maxProgress = 0;
    int lastProgress = 0;
    int lastTarget = 0;
    bool progressDropped = false;
};
