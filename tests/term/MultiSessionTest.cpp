// Several radios at once, each on its own in-memory cable, all on one
// virtual clock: the loop that ticks them all, the questions asked once,
// the table, the exit status and the tries after a power cycle.
#include "ExitStatus.h"
#include "ManualClock.h"
#include "MemoryRadio.h"
#include "MultiSession.h"
#include "SeqPrint.h"
#include "VirtualPace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The console of a multi-radio run on the virtual clock: typed lines, one
// signal when a condition first holds, and a look at each rest.
class VirtualConsole final : public TermHost {
public:
    explicit VirtualConsole(VirtualPace& clockPace) : pace(clockPace) {}

    Wake RestAfterTick(const Rest& rest) override
    {
        pace.Rest(rest.busy, rest.ms);  // a settle time's end is a moment the clock must not jump past
        if (eachRest) {
            eachRest();
        }
        Wake wake;
        if (signalWhen && signalWhen()) {
            wake.signal = SIGTERM;
            signalWhen = nullptr;
        }
        wake.input = rest.wantInput && (!typed.empty() || inputEnds);
        return wake;
    }

    bool ReadLine(std::string& line) override
    {
        if (typed.empty()) {
            return false;
        }
        line = typed.front();
        typed.pop_front();
        return true;
    }

    int64_t NowMs() const override { return pace.ElapsedMs(); }

    std::deque<std::string> typed;
    bool inputEnds = false;
    std::function<bool()> signalWhen;
    std::function<void()> eachRest;

private:
    VirtualPace& pace;
};

// The radios, the clock, the console and the session of one run.
class MultiRig {
public:
    // One radio a port, in the order given.
    void StartRadios(const std::map<int, RadioOptions>& byPort)
    {
        std::vector<MemoryRadio*> all;
        for (const auto& [port, options] : byPort) {
            std::string error;
            auto radio = std::make_unique<MemoryRadio>(options, clock);
            ASSERT_TRUE(radio->SetUp(error)) << error;
            all.push_back(radio.get());
            radios[port] = std::move(radio);
            settings.ports.push_back(port);
        }
        pace = std::make_unique<VirtualPace>(clock, all);
        console = std::make_unique<VirtualConsole>(*pace);
    }

    int RunAll(std::ostream* trace = nullptr)
    {
        const PlatformMaker platform = [this](int port) {
            SeqPlatform made;
            made.driver = radios.at(port)->Cable();
            made.resolver = [port](int n) -> std::optional<std::string> {
                return n == port ? std::optional<std::string>("memory") : std::nullopt;
            };
            made.clock = &clock;
            return made;
        };
        session = std::make_unique<MultiSession>(*console, out, settings, platform, TermHooks {}, trace);
        return session->Run();
    }

    // The table's row of a port.
    std::string Row(int port) const
    {
        const std::string text = out.str();
        const std::string name = "COM" + std::to_string(port) + "  ";
        const size_t at = text.rfind("\n" + name);
        return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    }

    void ExpectUpdated(int port) const
    {
        const RadioReport r = radios.at(port)->Report();
        EXPECT_TRUE(r.cpu.matchesImage) << "COM" << port << "\n" << FormatReport(r);
        EXPECT_TRUE(r.dsp.matchesImage) << "COM" << port << "\n" << FormatReport(r);
        EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
    }

    const RadioSlot* SlotOf(int port) const
    {
        for (size_t i = 0; i < session->Count(); ++i) {
            if (session->Slot(i).Port() == port) {
                return &session->Slot(i);
            }
        }
        return nullptr;
    }

    static RadioOptions DspOnly(bool paced)
    {
        RadioOptions options;
        options.cpu = CpuFirmware::Same;
        options.dsp = DspFirmware::Older;
        options.paced = paced;
        return options;
    }

    ManualClock clock {0x7FFF0000};
    std::map<int, std::unique_ptr<MemoryRadio>> radios;
    std::unique_ptr<VirtualPace> pace;
    std::unique_ptr<VirtualConsole> console;
    MultiSettings settings {.ports = {}, .agree = true, .yes = true};
    std::ostringstream out;
    std::ostringstream traceOut;  // outlives the session, whose trace flushes at its end
    std::unique_ptr<MultiSession> session;
};

class MultiRun : public testing::Test, public MultiRig {};

constexpr const char* CompletedLine = "Firmware updating is completed.";

// Four radios paced at the cable's speed are written side by side: each
// takes the time it takes alone, and so does the whole run.
TEST(MultiTogether, FourRadiosCompleteInTheTimeOfOne)
{
    int64_t alone = 0;
    int64_t aloneWhole = 0;
    {
        MultiRig one;
        one.StartRadios({{5, MultiRig::DspOnly(true)}});
        ASSERT_EQ(one.RunAll(), 0) << one.out.str();
        alone = one.SlotOf(5)->SpentMs();
        aloneWhole = one.pace->ElapsedMs();
    }
    MultiRig four;
    four.StartRadios({{5, MultiRig::DspOnly(true)}, {7, MultiRig::DspOnly(true)}, {9, MultiRig::DspOnly(true)},
                      {11, MultiRig::DspOnly(true)}});
    EXPECT_EQ(four.RunAll(), 0) << four.out.str();
    ASSERT_GT(alone, 30000);  // the DSP at 38,400 bit/s: most of a minute
    for (const int port : {5, 7, 9, 11}) {
        four.ExpectUpdated(port);
        EXPECT_NE(four.Row(port).find(CompletedLine), std::string::npos) << four.out.str();
        EXPECT_LE(four.SlotOf(port)->SpentMs() * 100, alone * 105) << "COM" << port << " alone: " << alone;
    }
    EXPECT_LE(four.pace->ElapsedMs() * 100, aloneWhole * 105) << "alone " << aloneWhole;
}

// The first radio's answer is taken as soon as it comes although another's
// port sits in its settle time: the plan and the questions come once.
TEST_F(MultiRun, QuestionsAreAskedOnceForAll)
{
    StartRadios({{5, RadioOptions {}}, {7, RadioOptions {}}});
    settings = {.ports = settings.ports};
    console->typed = {"y", "y"};
    EXPECT_EQ(RunAll(), 0) << out.str();
    ExpectUpdated(5);
    ExpectUpdated(7);
    const std::string text = out.str();
    EXPECT_NE(text.find("COM5: CPU / DSP "), std::string::npos) << text;
    EXPECT_NE(text.find("COM7: CPU / DSP "), std::string::npos) << text;
    EXPECT_NE(text.find("writes CPU, DSP"), std::string::npos) << text;
    EXPECT_NE(text.find("Writing 2 radios at once takes about"), std::string::npos) << text;
}

// A fault in one radio's data: the others complete; the table and the exit
// status name the failed one.
TEST_F(MultiRun, OneOfFourFailsAndIsNamed)
{
    RadioOptions faulty;
    faulty.faults.push_back(Fault {"dsp.block 100", FaultKind::WrongByte, 0, false});
    StartRadios({{5, RadioOptions {}}, {7, faulty}, {9, RadioOptions {}}, {11, RadioOptions {}}});
    EXPECT_EQ(RunAll(), static_cast<int>(Scene::DspUpdateFailed)) << out.str();
    for (const int port : {5, 9, 11}) {
        ExpectUpdated(port);
        EXPECT_NE(Row(port).find(CompletedLine), std::string::npos) << out.str();
    }
    EXPECT_FALSE(radios.at(7)->Report().dsp.matchesImage);
    EXPECT_NE(Row(7).find("DSP"), std::string::npos) << out.str();
    EXPECT_EQ(Row(7).find(CompletedLine), std::string::npos) << out.str();
    EXPECT_EQ(SlotOf(7)->Outcome(), Scene::DspUpdateFailed);
}

// The worst outcome gives the status: a radio that cannot be updated (12)
// and a failed CPU (15) give 15, whatever their order.
TEST_F(MultiRun, TheWorstOutcomeGivesTheStatus)
{
    RadioOptions refused;
    refused.variantMark = 'J';
    RadioOptions cut;
    cut.faults.push_back(Fault {"cpu.block 50", FaultKind::HangUp, 0, false});
    StartRadios({{3, cut}, {4, refused}, {6, RadioOptions {}}});
    EXPECT_EQ(RunAll(), static_cast<int>(Scene::CpuUpdateFailed)) << out.str();
    ExpectUpdated(6);
    EXPECT_NE(Row(4).find("cannot update"), std::string::npos) << out.str();
}

// A radio that needs nothing is reported and left alone: the others are
// written, it gets nothing beyond the identity request.
TEST_F(MultiRun, OneThatNeedsNothingIsLeftAlone)
{
    RadioOptions same;
    same.cpu = CpuFirmware::Same;
    same.dsp = DspFirmware::Same;
    StartRadios({{5, RadioOptions {}}, {6, same}});
    EXPECT_EQ(RunAll(), 0) << out.str();
    ExpectUpdated(5);
    const RadioReport r = radios.at(6)->Report();
    EXPECT_EQ(r.blocksWritten, 0) << FormatReport(r);
    EXPECT_TRUE(r.packetsByCommand.empty()) << FormatReport(r);
    EXPECT_NE(out.str().find("COM6: CPU / DSP "), std::string::npos);
    EXPECT_NE(Row(6).find("This update is not needed."), std::string::npos) << out.str();
    EXPECT_FALSE(SlotOf(6)->Started());
}

// With every radio up to date nothing is asked and nothing written.
TEST_F(MultiRun, NothingToWriteAsksNothing)
{
    RadioOptions same;
    same.cpu = CpuFirmware::Same;
    same.dsp = DspFirmware::Same;
    StartRadios({{5, same}, {6, same}});
    settings.yes = false;
    EXPECT_EQ(RunAll(), 0) << out.str();
    EXPECT_EQ(out.str().find("[y/N]", out.str().find("COM ports")), std::string::npos) << out.str();
}

// --retry: the failed radio is asked to be switched off and on; once it
// answers the identity request again it is written anew and completes.
TEST_F(MultiRun, RetryAfterAPowerCycleCompletes)
{
    RadioOptions cut;
    cut.faults.push_back(Fault {"cpu.block 1000", FaultKind::HangUp, 0, false});
    StartRadios({{5, cut}, {7, RadioOptions {}}});
    settings.retries = 2;
    bool cycled = false;
    int64_t askedAt = -1;
    console->eachRest = [&] {
        const bool asked = out.str().find("COM5: switch the radio on COM5 off and on") != std::string::npos;
        if (asked && askedAt < 0) {
            askedAt = pace->ElapsedMs();
        }
        // The owner needs half a minute to find the switch.
        if (asked && !cycled && pace->ElapsedMs() - askedAt > 30000) {
            radios.at(5)->PowerCycle();
            cycled = true;
        }
    };
    EXPECT_EQ(RunAll(), 0) << out.str();
    EXPECT_TRUE(cycled);
    ExpectUpdated(5);
    ExpectUpdated(7);
    EXPECT_EQ(SlotOf(5)->Tries(), 1);
    EXPECT_NE(Row(5).find("(2 tries)"), std::string::npos) << out.str();
    EXPECT_NE(Row(5).find(CompletedLine), std::string::npos) << out.str();
}

// A radio that is never switched off and on keeps its failure once the
// wait for its power cycle is over; without --retry none is asked for.
TEST_F(MultiRun, NoPowerCycleKeepsTheFailure)
{
    RadioOptions cut;
    cut.faults.push_back(Fault {"dsp.block 10", FaultKind::Silent, 0, false});
    StartRadios({{5, cut}, {7, RadioOptions {}}});
    settings.retries = 1;
    EXPECT_EQ(RunAll(), static_cast<int>(Scene::DspUpdateFailed)) << out.str();
    EXPECT_NE(out.str().find("switch the radio on COM5 off and on"), std::string::npos);
    EXPECT_GE(SlotOf(5)->SpentMs(), RadioSlot::PowerCycleWaitMs);
    ExpectUpdated(7);
    EXPECT_LT(SlotOf(7)->SpentMs(), SlotOf(5)->SpentMs());
}

TEST_F(MultiRun, WithoutRetryNoPowerCycleIsAskedFor)
{
    RadioOptions cut;
    cut.faults.push_back(Fault {"dsp.block 10", FaultKind::Silent, 0, false});
    StartRadios({{5, cut}, {7, RadioOptions {}}});
    EXPECT_EQ(RunAll(), static_cast<int>(Scene::DspUpdateFailed)) << out.str();
    EXPECT_EQ(out.str().find("off and on"), std::string::npos);
}

// A request to end while radios are written is refused, remembered and
// honoured once every radio has ended: no radio is left half-written.
TEST_F(MultiRun, RequestToEndWaitsForEveryRadio)
{
    StartRadios({{5, RadioOptions {}}, {7, RadioOptions {}}});
    settings.retries = 3;
    console->signalWhen = [this] { return session->Slot(0).CurrentScene() == Scene::WritingCpu; };
    EXPECT_EQ(RunAll(), 0) << out.str();
    EXPECT_NE(out.str().find(MultiSession::RefusedText), std::string::npos) << out.str();
    ExpectUpdated(5);
    ExpectUpdated(7);
}

// At a question a request to end ends the run, the exit command sent to
// every radio that waited; "no" does the same with its own status.
TEST_F(MultiRun, EndAtTheStartQuestionSendsTheExit)
{
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "signal" : "no");
        session.reset();  // its cables before their radios
        radios.clear();
        settings = {.ports = {}, .agree = true};
        out.str("");
        StartRadios({{5, RadioOptions {}}, {7, RadioOptions {}}});
        if (bySignal) {
            console->signalWhen = [this] { return out.str().find("at once takes about") != std::string::npos; };
        } else {
            console->typed = {"n"};
        }
        EXPECT_EQ(RunAll(), bySignal ? ExitStatus::Signalled : ExitStatus::Declined) << out.str();
        for (const int port : {5, 7}) {
            EXPECT_FALSE(radios.at(port)->Report().inUpdateMode) << port;
            EXPECT_EQ(radios.at(port)->Report().blocksWritten, 0);
        }
    }
}

// --all: a port that does not answer as the radio is reported and left
// alone, and does not count against the run.
TEST_F(MultiRun, ProbedPortWithoutARadioIsLeftAlone)
{
    RadioOptions silent;
    silent.faults.push_back(Fault {"ident", FaultKind::Silent, 0, true});
    StartRadios({{3, silent}, {5, RadioOptions {}}});
    settings.probing = true;
    EXPECT_EQ(RunAll(), 0) << out.str();
    ExpectUpdated(5);
    EXPECT_NE(out.str().find("COM3: no radio in update mode answered; left alone."), std::string::npos) << out.str();
    EXPECT_NE(Row(3).find("left alone"), std::string::npos) << out.str();
}

// Into a log: a line a radio at each ten percent, with its port in front;
// the trace's every line starts with its port.
TEST_F(MultiRun, LogLinesAndTraceCarryThePort)
{
    StartRadios({{5, DspOnly(false)}, {7, DspOnly(false)}});
    EXPECT_EQ(RunAll(&traceOut), 0) << out.str();
    for (const char* line : {"COM5 DSP 10%", "COM7 DSP 50%", "COM5 DSP 100%", "COM7 DSP 100%"}) {
        EXPECT_NE(out.str().find(std::string(line) + "\n"), std::string::npos) << line << "\n" << out.str();
    }
    std::istringstream lines(traceOut.str());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_TRUE(line.rfind("COM5  ", 0) == 0 || line.rfind("COM7  ", 0) == 0) << line;
    }
    EXPECT_GT(count, 1000);
}

// On a terminal the block of lines is redrawn in place, one line a radio.
TEST_F(MultiRun, TerminalRedrawsOneLineARadio)
{
    StartRadios({{5, DspOnly(false)}, {7, DspOnly(false)}});
    settings.terminal = true;
    EXPECT_EQ(RunAll(), 0) << out.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("\x1b[2A\rCOM5 DSP ["), std::string::npos);
    EXPECT_NE(text.find("\rCOM7 DSP ["), std::string::npos);
    EXPECT_EQ(text.find("COM5 DSP 10%"), std::string::npos);
}

} // namespace
