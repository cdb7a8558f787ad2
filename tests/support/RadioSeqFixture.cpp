#include "RadioSeqFixture.h"

#include "ComPorts.h"
#include "LineAttempts.h"


RadioSeqFixture::RadioSeqFixture(SeqLine seqLine) : line(seqLine)
{
}

RadioSeqFixture::~RadioSeqFixture()
{
    driver.reset();
    seq.reset();
    pace.reset();
    memoryRadio.reset();
    if (ptyRadio) {
        ptyRadio->Stop();
    }
    ptyRadio.reset();
}

void RadioSeqFixture::StartRadio(const RadioOptions& options)
{
    if (line == SeqLine::Memory) {
        std::string error;
        if (memoryRadio) {
            // Another radio on the cable the sequencer already holds.
            ASSERT_TRUE(memoryRadio->Swap(options, error)) << error;
            return;
        }
        memoryRadio = std::make_unique<MemoryRadio>(options, clock);
        ASSERT_TRUE(memoryRadio->SetUp(error)) << error;
        pace = std::make_unique<VirtualPace>(clock, *memoryRadio);
        return;
    }
    ASSERT_TRUE(portDir.Ok());
    if (ptyRadio) {
        ptyRadio->Stop();
    }
    ptyRadio = std::make_unique<EmulatedRadio>(options);
    ASSERT_TRUE(ptyRadio->Start()) << ptyRadio->Error();
    ASSERT_TRUE(ptyRadio->LinkAs(portDir.Path(), RadioCom));
}

void RadioSeqFixture::MakeSequencer(const FirmwareSet& images)
{
    if (line == SeqLine::Memory) {
        ASSERT_NE(memoryRadio, nullptr) << "start the radio first";
        seq = std::make_unique<clsMainSeq>(
            images, SeqPlatform{.driver = memoryRadio->Cable(),
                                .resolver = [](int n) -> std::optional<std::string> {
                                    return n == RadioCom ? std::optional<std::string>("memory") : std::nullopt;
                                },
                                .clock = &clock,
                                .hold = [this](int ms) { pace->Hold(ms); }});
        driver = std::make_unique<SeqDriver>(*seq, *pace);
    } else {
        const std::string dir = portDir.Path();
        seq = std::make_unique<clsMainSeq>(
            images, SeqPlatform{.resolver = [dir](int n) { return ComPorts(dir).PathOf(n); }});
        driver = std::make_unique<SeqDriver>(*seq);
    }
    seq->SetPort(RadioCom);
    ASSERT_TRUE(driver->RunUntil([&] { return seq->GetState() == SeqState::Standby; }, 100));
}

void RadioSeqFixture::PowerCycle()
{
    if (memoryRadio) {
        memoryRadio->PowerCycle();
    } else {
        ptyRadio->PowerCycle();
    }
}

RadioReport RadioSeqFixture::Report() const
{
    return memoryRadio ? memoryRadio->Report() : ptyRadio->Report();
}

void RadioSeqFixture::RunFirstHalf(int timeoutMs)
{
    ASSERT_TRUE(seq->CanStart());
    seq->StartUpdate();
    ASSERT_TRUE(driver->RunUntilResting(timeoutMs)) << "state " << testing::PrintToString(seq->GetState());
}

void RadioSeqFixture::RunToCompletion(int timeoutMs)
{
    RunFirstHalf();
    if (seq->GetState() == SeqState::Confirm) {
        seq->StartUpdate();
        ASSERT_TRUE(driver->RunUntilResting(timeoutMs)) << "state " << testing::PrintToString(seq->GetState());
    }
}

void RadioSeqFixture::RetryAfterPowerCycle()
{
    PowerCycle();
    driver->ClearRecords();
    RunToCompletion();
    ASSERT_FALSE(driver->Events().empty());
    EXPECT_EQ(driver->Events().back(), SeqEvent::EvCompleted)
        << testing::PrintToString(driver->Events()) << "\n" << FormatReport(Report());
    ExpectFlashesEqualImages();
}

void RadioSeqFixture::AttemptOnFreshRadios(const RadioOptions& options, const std::function<void()>& attempt)
{
    const auto fresh = [&] {
        StartRadio(options);
        MakeSequencer();
    };
    fresh();
    AttemptUntilTheLineKeepsUp(attempt, [&] { return Report().requestsHeldBack; }, fresh);
}

bool RadioSeqFixture::Saw(SeqEvent event) const
{
    return MsOf(event) >= 0;
}

int64_t RadioSeqFixture::MsOf(SeqEvent event) const
{
    for (const SeqRecord& r : driver->Records()) {
        if (r.event == event) {
            return r.ms;
        }
    }
    return -1;
}

void RadioSeqFixture::ExpectFlashesEqualImages() const
{
    const RadioReport r = Report();
    EXPECT_TRUE(r.cpu.matchesImage) << "CPU flash differs at " << std::hex << r.cpu.firstDifference;
    EXPECT_TRUE(r.dsp.matchesImage) << "DSP flash differs at " << std::hex << r.dsp.firstDifference;
    EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
}
