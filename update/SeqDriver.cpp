#include "SeqDriver.h"

#include "clsMainSeq.h"

#include <chrono>

namespace {

// The window's rhythm on the steady clock: after every tick a wait that the
// radio's next bytes end early.
class RealPace final : public TickPace {
public:
    explicit RealPace(clsMainSeq& sequencer) : seq(sequencer), start(std::chrono::steady_clock::now()) {}

    int64_t ElapsedMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    }

    void Rest(bool) override { seq.WaitForInput(seq.TickWaitMs()); }

private:
    clsMainSeq& seq;
    std::chrono::steady_clock::time_point start;
};

} // namespace

SeqDriver::SeqDriver(clsMainSeq& sequencer)
    : seq(sequencer), ownPace(std::make_unique<RealPace>(sequencer)), pace(*ownPace)
{
}

SeqDriver::SeqDriver(clsMainSeq& sequencer, TickPace& tickPace) : seq(sequencer), pace(tickPace)
{
}

SeqDriver::~SeqDriver() = default;

int64_t SeqDriver::ElapsedMs() const
{
    return pace.ElapsedMs();
}

SeqEvent SeqDriver::Tick()
{
    const SeqState before = seq.GetState();
    const SeqEvent event = seq.Step();
    const int progress = seq.GetProgress();
    // Progress only falls back to 0 when a new target starts or a run ends.
    if (progress < lastProgress && progress != 0) {
        progressDropped = true;
    }
    if (progress > maxProgress) {
        maxProgress = progress;
    }
    lastProgress = progress;
    if (event != SeqEvent::EvNone) {
        records.push_back({ElapsedMs(), event, seq.GetState(), seq.GetTarget(), progress});
        seq.ClearEvent();
    }
    pace.Rest(event != SeqEvent::EvNone || seq.GetState() != before);
    return event;
}

bool SeqDriver::RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    const int64_t until = ElapsedMs() + timeoutMs;
    while (!done()) {
        if (ElapsedMs() > until) {
            return false;
        }
        Tick();
    }
    return true;
}

bool SeqDriver::RunUntilEvent(SeqEvent event, int timeoutMs)
{
    const size_t from = records.size();
    return RunUntil(
        [&] {
            for (size_t i = from; i < records.size(); ++i) {
                if (records[i].event == event) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

bool SeqDriver::RunUntilResting(int timeoutMs)
{
    bool left = false;
    return RunUntil(
        [&] {
            const SeqState s = seq.GetState();
            const bool resting = s == SeqState::Standby || s == SeqState::Confirm;
            if (!resting) {
                left = true;
            }
            return left && resting;
        },
        timeoutMs);
}

std::vector<SeqEvent> SeqDriver::Events() const
{
    std::vector<SeqEvent> out;
    for (const SeqRecord& r : records) {
        out.push_back(r.event);
    }
    return out;
}
