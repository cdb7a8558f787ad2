// The terminal form's loop against the emulated radio on the in-memory
// cable and virtual time: every run takes milliseconds, and the radio
// reports what it saw.
#include "ExitStatus.h"
#include "FirmImages.h"
#include "ManualClock.h"
#include "MemoryRadio.h"
#include "SeqPrint.h"
#include "TermSession.h"
#include "TickRhythm.h"
#include "TraceLog.h"
#include "TracingSerialDriver.h"
#include "VirtualPace.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int RadioCom = 5;

// Typed lines, the end of the input and signals, on the virtual clock.
class ScriptHost final : public TermHost {
public:
    explicit ScriptHost(VirtualPace& clockPace) : pace(clockPace) {}

    Wake RestAfterTick(const Rest& rest) override
    {
        restsAsked.push_back({rest.ms, rest.wantInput, static_cast<bool>(rest.waitOnPort)});
        pace.Rest(rest.busy);
        Wake wake;
        if (signalWhen && signalWhen()) {
            wake.signal = signal;
            signalWhen = nullptr;  // once
        }
        wake.input = rest.wantInput && (!lines.empty() || inputEnds);
        return wake;
    }

    bool ReadLine(std::string& line) override
    {
        if (lines.empty()) {
            return false;
        }
        line = lines.front();
        lines.pop_front();
        if (onRead) {
            onRead(linesRead);
        }
        ++linesRead;
        return true;
    }

    int64_t NowMs() const override { return pace.ElapsedMs(); }

    std::string OutputProblem() const override
    {
        if (outputFailsWhen && outputFailsWhen()) {
            failedOutput = true;
        }
        return failedOutput ? "standard output: Broken pipe" : "";
    }

    void ErrorLine(const std::string& text) override { errorLines.push_back(text); }

    std::deque<std::string> lines;
    std::function<bool()> outputFailsWhen;  // the output fails for good once it first holds
    mutable bool failedOutput = false;
    std::vector<std::string> errorLines;
    bool inputEnds = false;
    std::function<bool()> signalWhen;  // sends signal once when it first holds
    int signal = SIGTERM;
    std::function<void(int index)> onRead;  // told of each line read, from 0
    struct RestAsked {
        int ms;
        bool wantInput;
        bool portWait;
    };
    std::vector<RestAsked> restsAsked;

private:
    int linesRead = 0;
    VirtualPace& pace;
};

class TermRun : public testing::Test {
protected:
    void StartRadio(const RadioOptions& options)
    {
        std::string error;
        radio = std::make_unique<MemoryRadio>(options, clock);
        ASSERT_TRUE(radio->SetUp(error)) << error;
        pace = std::make_unique<VirtualPace>(clock, *radio);
        host = std::make_unique<ScriptHost>(*pace);
        MakeSequencer();
    }

    // A sequencer as the program makes it; traced, through the trace's
    // driver and packet watch.
    void MakeSequencer()
    {
        SeqPlatform platform {.driver = radio->Cable(),
                              .resolver = [](int n) -> std::optional<std::string> {
                                  return n == RadioCom ? std::optional<std::string>("memory") : std::nullopt;
                              },
                              .clock = &clock,
                              .hold = [this](int ms) { pace->Hold(ms); }};
        if (traced) {
            trace = std::make_unique<TraceLog>(traceOut, [this] { return pace->ElapsedMs(); });
            platform.driver = std::make_unique<TracingSerialDriver>(std::move(platform.driver), *trace);
            platform.packetWatch = [this](const PacketNote& note) { trace->Packet(note); };
        }
        seq = std::make_unique<clsMainSeq>(BuiltInFirmware(), std::move(platform));
        seq->SeedKey(7);
    }

    int Run(TermSettings settings)
    {
        out.str("");
        settings.port = RadioCom;
        session = std::make_unique<TermSession>(*seq, *host, out, settings, hooks, trace.get());
        return session->Run();
    }

    static TermSettings Given() { return {.agree = true, .yes = true}; }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string LastLine() const { return Lines().empty() ? "" : Lines().back(); }

    int CountLines(const std::string& line) const
    {
        int n = 0;
        for (const std::string& l : Lines()) {
            n += l == line ? 1 : 0;
        }
        return n;
    }

    void ExpectFlashesEqualImages() const
    {
        const RadioReport r = radio->Report();
        EXPECT_TRUE(r.cpu.matchesImage) << FormatReport(r);
        EXPECT_TRUE(r.dsp.matchesImage) << FormatReport(r);
        EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
    }

    ManualClock clock {0x7FFF0000};
    std::unique_ptr<MemoryRadio> radio;
    std::unique_ptr<VirtualPace> pace;
    std::unique_ptr<ScriptHost> host;
    bool traced = false;
    std::ostringstream traceOut;
    std::unique_ptr<TraceLog> trace;
    std::unique_ptr<clsMainSeq> seq;
    TermHooks hooks;
    std::ostringstream out;
    std::unique_ptr<TermSession> session;
};

// --- how a run ends, by what the radio holds or does ------------------------

struct EndCase {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    uint8_t mark;
    const char* faultPoint;  // "" for none
    FaultKind fault;
    int status;
    const char* lastLine;
    bool flashesEqual;   // both flashes equal the images at the end
    bool exitSent;       // the radio left update mode
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class TermEnds : public TermRun, public testing::WithParamInterface<EndCase> {};

TEST_P(TermEnds, WithTheStatusAndTheLastLineOfItsScene)
{
    const EndCase& c = GetParam();
    RadioOptions options;
    options.cpu = c.cpu;
    options.dsp = c.dsp;
    options.variantMark = c.mark;
    if (c.faultPoint[0] != '\0') {
        options.faults.push_back(Fault {c.faultPoint, c.fault, 0, false});
    }
    StartRadio(options);
    EXPECT_EQ(Run(Given()), c.status) << out.str();
    EXPECT_EQ(LastLine(), c.lastLine) << out.str();
    const RadioReport r = radio->Report();
    if (c.flashesEqual) {
        ExpectFlashesEqualImages();
    }
    EXPECT_EQ(r.inUpdateMode, !c.exitSent) << FormatReport(r);
    EXPECT_TRUE(seq->CanStart());  // it ended at rest, as the window's OK does
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermEnds,
    testing::Values(
        EndCase{"completed", CpuFirmware::Older, DspFirmware::Older, 'E', "", FaultKind::Silent, 0,
                "Firmware updating is completed.", true, true},
        EndCase{"blank_radio_completed", CpuFirmware::Blank, DspFirmware::Blank, 'E', "", FaultKind::Silent, 0,
                "Firmware updating is completed.", true, true},
        EndCase{"downgrade_answered_yes_twice", CpuFirmware::Same, DspFirmware::Newer, 'E', "", FaultKind::Silent, 0,
                "Firmware updating is completed.", true, true},
        EndCase{"versions_equal", CpuFirmware::Same, DspFirmware::Same, 'E', "", FaultKind::Silent, 0,
                "This update is not needed.", true, true},
        EndCase{"no_answer", CpuFirmware::Older, DspFirmware::Older, 'E', "ident", FaultKind::Silent, 11,
                "Please check the connection.", false, false},
        EndCase{"refused_radio", CpuFirmware::Older, DspFirmware::Older, 'J', "", FaultKind::Silent, 12,
                "The connected RX-77 cannot update.", false, true},
        EndCase{"cpu_data_cut", CpuFirmware::Older, DspFirmware::Older, 'E', "cpu.block 1000", FaultKind::HangUp, 15,
                "Detach the battery pack, then reattach it and try again to update.", false, false},
        EndCase{"dsp_data_wrong", CpuFirmware::Older, DspFirmware::Older, 'E', "dsp.block 100", FaultKind::WrongByte, 16,
                "Detach the battery pack, then reattach it and try again to update.", false, false},
        EndCase{"boot_not_entered", CpuFirmware::Older, DspFirmware::Older, 'E', "boot", FaultKind::Silent, 15,
                "Detach the battery pack, then reattach it and try again to update.", false, false}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

// The port that names no device: scene 10 with the cause the window adds.
TEST_F(TermRun, PortThatCannotBeOpenedEndsWithItsCause)
{
    StartRadio(RadioOptions {});
    out.str("");
    TermSettings settings = Given();
    settings.port = RadioCom + 1;
    TermSession other(*seq, *host, out, settings);
    EXPECT_EQ(other.Run(), 10);
    EXPECT_NE(out.str().find("Cannot access COM port."), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(" - The RX-77 power is ON."), std::string::npos) << out.str();
    EXPECT_EQ(radio->Report().bytesReceived, 0u);
}

// The radio changes between the question and the answer: a version text it
// may not hold is a transfer failure of that processor (Retry in the window).
struct ChangedCase {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    int status;
};

void PrintTo(const ChangedCase& c, std::ostream* os) { *os << c.name; }

class TermRadioChanged : public TermRun, public testing::WithParamInterface<ChangedCase> {};

TEST_P(TermRadioChanged, BeforeTheAnswerFailsTheTransfer)
{
    StartRadio(RadioOptions {});
    host->lines = {"y", "y"};
    host->onRead = [this](int index) {
        if (index == 1) {
            std::string error;
            RadioOptions changed;
            changed.cpu = GetParam().cpu;
            changed.dsp = GetParam().dsp;
            ASSERT_TRUE(radio->Swap(changed, error)) << error;
        }
    };
    EXPECT_EQ(Run(TermSettings {}), GetParam().status) << out.str();
    EXPECT_EQ(LastLine(), "Please check the connection.");
    // The CPU is written first; the DSP's text is found when it comes next.
    EXPECT_EQ(radio->Report().cpu.matchesImage, GetParam().dsp == DspFirmware::BadText);
}

INSTANTIATE_TEST_SUITE_P(Term, TermRadioChanged,
                         testing::Values(ChangedCase {"cpu_text", CpuFirmware::BadText, DspFirmware::Older, 13},
                                         ChangedCase {"dsp_text", CpuFirmware::Older, DspFirmware::BadText, 14}),
                         [](const testing::TestParamInfo<ChangedCase>& info) { return std::string(info.param.name); });

// The cable cut in the middle of the data ends the first run; the owner
// switches the radio off and on and runs the program again, which completes.
TEST_F(TermRun, CutInTheDataThenARetryAfterAPowerCycleCompletes)
{
    RadioOptions options;
    options.faults.push_back(Fault {"cpu.block 1000", FaultKind::HangUp, 0, false});
    StartRadio(options);
    EXPECT_EQ(Run(Given()), static_cast<int>(Scene::CpuUpdateFailed)) << out.str();
    EXPECT_NE(out.str().find("Firmware of CPU updating failed."), std::string::npos);
    EXPECT_FALSE(radio->Report().cpu.matchesImage);

    radio->PowerCycle();
    MakeSequencer();  // a new run of the program
    EXPECT_EQ(Run(Given()), 0) << out.str();
    EXPECT_EQ(LastLine(), "Firmware updating is completed.");
    ExpectFlashesEqualImages();
}

// --- answers ----------------------------------------------------------------

TEST_F(TermRun, TypedAnswersStartTheUpdate)
{
    StartRadio(RadioOptions {});
    host->lines = {"y", " Yes "};
    EXPECT_EQ(Run(TermSettings {}), 0) << out.str();
    ExpectFlashesEqualImages();
}

// While a question waits, the port is closed and the loop rests long (a
// typed line ends the rest at once); while the radio is spoken to, it rests
// 1 ms at most and waits on the port.
TEST_F(TermRun, RestsLongAtTheQuestionsAndShortWithTheRadio)
{
    StartRadio(RadioOptions {});
    host->lines = {"y", "y"};
    ASSERT_EQ(Run(TermSettings {}), 0) << out.str();
    int longAtQuestions = 0;
    int shortAtQuestions = 0;
    int shortRests = 0;
    for (const ScriptHost::RestAsked& rest : host->restsAsked) {
        EXPECT_TRUE(rest.portWait);
        EXPECT_TRUE(rest.ms == TickRhythm::BusyMs || rest.ms == TickRhythm::RestMs) << rest.ms;
        if (rest.wantInput) {
            (rest.ms == TickRhythm::RestMs ? longAtQuestions : shortAtQuestions) += 1;
        }
        shortRests += rest.ms == TickRhythm::BusyMs ? 1 : 0;
    }
    // The question about the update shows while the tick that read the
    // versions still has the port to close: one short rest there.
    EXPECT_GT(longAtQuestions, 0);
    EXPECT_LE(shortAtQuestions, 1);
    // Thousands of packets, each answered within a short rest.
    EXPECT_GT(shortRests, 4828);
}

TEST_F(TermRun, CautionDeclinedEndsBeforeTheRadioIsSpokenTo)
{
    StartRadio(RadioOptions {});
    host->lines = {"n"};
    EXPECT_EQ(Run(TermSettings {}), ExitStatus::Declined);
    EXPECT_EQ(radio->Report().bytesReceived, 0u);
}

TEST_F(TermRun, InputThatEndsDeclines)
{
    StartRadio(RadioOptions {});
    host->inputEnds = true;
    EXPECT_EQ(Run(TermSettings {}), ExitStatus::Declined);
    EXPECT_EQ(radio->Report().bytesReceived, 0u);
}

// No to the question before the writing sends the exit command, as the
// window's Exit does in scenes 3 and 4.
struct DeclineCase {
    const char* name;
    DspFirmware dsp;
    std::deque<std::string> typed;
    const char* question;
};

void PrintTo(const DeclineCase& c, std::ostream* os) { *os << c.name; }

class TermDeclines : public TermRun, public testing::WithParamInterface<DeclineCase> {};

TEST_P(TermDeclines, SendsTheExitCommand)
{
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    options.dsp = GetParam().dsp;
    StartRadio(options);
    host->lines = GetParam().typed;
    EXPECT_EQ(Run(TermSettings {}), ExitStatus::Declined) << out.str();
    EXPECT_NE(out.str().find(GetParam().question), std::string::npos) << out.str();
    const RadioReport r = radio->Report();
    EXPECT_FALSE(r.inUpdateMode) << FormatReport(r);
    EXPECT_EQ(r.blocksWritten, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermDeclines,
    testing::Values(DeclineCase {"update_question", DspFirmware::Older, {"y", "n"},
                                 "Do you wish to start the firmware update? [y/N] "},
                    DeclineCase {"downgrade_question", DspFirmware::Newer, {"y", "no"},
                                 "Do you want to continue? [y/N] "},
                    DeclineCase {"update_after_downgrade", DspFirmware::Newer, {"y", "y", "N"},
                                 "Do you wish to start the firmware update? [y/N] "}),
    [](const testing::TestParamInfo<DeclineCase>& info) { return std::string(info.param.name); });

TEST_F(TermRun, WriteTimeInTheQuestionsScene)
{
    StartRadio(RadioOptions {});
    host->lines = {"y", "n"};
    Run(TermSettings {});
    EXPECT_NE(out.str().find("Updating the firmware. It will take approx. "
                             + std::to_string((seq->GetWriteTime() + 79) / 60) + " minutes."),
              std::string::npos)
        << out.str();
}

// --- signals ----------------------------------------------------------------

// A line on standard error, after the program's name, that ends with text
// (an outcome's line holds all its scene's lines).
bool HasErrorLine(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        const size_t name = line.find(": ");
        return name != std::string::npos && line.size() >= name + 2 + text.size()
            && line.compare(line.size() - text.size(), text.size(), text) == 0;
    });
}

// Refused while writing, kept, and honoured once the whole update has
// ended (not between the processors): the outcome's line on standard error
// and the outcome's status, whatever the outcome.
struct RefusedCase {
    const char* name;
    Scene at;
    int progress;            // asked once this far (0 to 255)
    const char* faultPoint;  // "" for none
    int status;
    const char* outcome;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class TermSignalRefused : public TermRun, public testing::WithParamInterface<RefusedCase> {};

TEST_P(TermSignalRefused, WhileWritingAndHonouredAtTheOutcome)
{
    const RefusedCase& c = GetParam();
    RadioOptions options;
    if (c.faultPoint[0] != '\0') {
        options.faults.push_back(Fault {c.faultPoint, FaultKind::HangUp, 0, false});
    }
    StartRadio(options);
    host->signalWhen = [this, &c] { return session->CurrentScene() == c.at && seq->GetProgress() >= c.progress; };
    EXPECT_EQ(Run(Given()), c.status) << out.str();
    EXPECT_EQ(CountLines(TermSession::RefusedText), 1) << out.str();
    EXPECT_EQ(LastLine(), c.outcome);
    EXPECT_TRUE(HasErrorLine(host->errorLines, c.outcome)) << out.str();
    EXPECT_EQ(host->errorLines.size(), 1u);
    if (c.status == 0) {
        ExpectFlashesEqualImages();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermSignalRefused,
    testing::Values(RefusedCase {"in_the_cpu_then_completed", Scene::WritingCpu, 100, "", 0, "Firmware updating is completed."},
                    RefusedCase {"in_the_dsp_then_completed", Scene::WritingDsp, 100, "", 0, "Firmware updating is completed."},
                    RefusedCase {"in_the_cpu_then_failed", Scene::WritingCpu, 0, "cpu.block 1000", 15,
                                 "Detach the battery pack, then reattach it and try again to update."}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

struct SignalCase {
    const char* name;
    int signal;
    Scene at;
    TermSettings given;  // what is not given is typed, and no line comes
    bool exitSent;       // the radio was sent the exit command, as No does
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

class TermSignalEnds : public TermRun, public testing::WithParamInterface<SignalCase> {};

TEST_P(TermSignalEnds, OutsideTheWriting)
{
    StartRadio(RadioOptions {});
    host->signal = GetParam().signal;
    host->signalWhen = [this] { return session->CurrentScene() == GetParam().at; };
    EXPECT_EQ(Run(GetParam().given), ExitStatus::Signalled) << out.str();
    EXPECT_EQ(LastLine(), TermSession::SignalEndText);
    EXPECT_EQ(radio->Report().blocksWritten, 0);
    EXPECT_EQ(radio->Report().inUpdateMode, !GetParam().exitSent) << FormatReport(radio->Report());
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermSignalEnds,
    testing::Values(SignalCase {"interrupt_at_the_caution", SIGINT, Scene::Opening, {}, false},
                    SignalCase {"terminate_while_connecting", SIGTERM, Scene::Connecting, {.agree = true, .yes = true}, false},
                    SignalCase {"interrupt_at_the_question", SIGINT, Scene::ConfirmUpdate, {.agree = true}, true},
                    SignalCase {"hang_up_at_the_question", SIGHUP, Scene::ConfirmUpdate, {.agree = true}, true},
                    SignalCase {"quit_at_the_question", SIGQUIT, Scene::ConfirmUpdate, {.agree = true}, true},
                    SignalCase {"user_signal_at_the_question", SIGUSR1, Scene::ConfirmUpdate, {.agree = true}, true}),
    [](const testing::TestParamInfo<SignalCase>& info) { return std::string(info.param.name); });

// --- a failed output ---------------------------------------------------------

// Before the writing a failed output ends the program with its own status
// (after the exit command at the question); while a processor is written it
// is left aside and the update ends with its outcome, whose line then goes
// to standard error too.
struct OutputCase {
    const char* name;
    Scene at;
    TermSettings given;
    int status;
    bool exitSent;
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }

class TermOutputFails : public TermRun, public testing::WithParamInterface<OutputCase> {};

TEST_P(TermOutputFails, EndsOnlyWhereNothingIsWritten)
{
    const OutputCase& c = GetParam();
    StartRadio(RadioOptions {});
    host->outputFailsWhen = [this, &c] {
        return session && session->CurrentScene() == c.at && (c.at != Scene::WritingCpu || seq->GetProgress() > 50);
    };
    EXPECT_EQ(Run(c.given), c.status) << out.str();
    EXPECT_TRUE(HasErrorLine(host->errorLines, "standard output: Broken pipe"));
    EXPECT_EQ(radio->Report().inUpdateMode, !c.exitSent) << FormatReport(radio->Report());
    if (c.status == 0) {
        ExpectFlashesEqualImages();
        EXPECT_TRUE(HasErrorLine(host->errorLines, "Firmware updating is completed."));
    } else {
        EXPECT_EQ(radio->Report().blocksWritten, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermOutputFails,
    testing::Values(OutputCase {"at_the_caution", Scene::Opening, {}, ExitStatus::OutputFailed, false},
                    OutputCase {"at_the_question", Scene::ConfirmUpdate, {.agree = true}, ExitStatus::OutputFailed, true},
                    OutputCase {"while_writing", Scene::WritingCpu, {.agree = true, .yes = true}, 0, true}),
    [](const testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

// --- progress, inhibitor hook, trace -----------------------------------------

TEST_F(TermRun, ProgressIntoAFileIsOneLineEachTenPercent)
{
    StartRadio(RadioOptions {});
    ASSERT_EQ(Run(Given()), 0);
    std::vector<std::string> progress;
    for (const std::string& line : Lines()) {
        if (line.rfind("CPU ", 0) == 0 || line.rfind("DSP ", 0) == 0) {
            progress.push_back(line);
        }
    }
    std::vector<std::string> expected;
    for (const char* label : {"CPU", "DSP"}) {
        for (int step = 10; step <= 100; step += 10) {
            expected.push_back(std::string(label) + " " + std::to_string(step) + "%");
        }
    }
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
}

TEST_F(TermRun, ProgressOnATerminalIsABarWithTheTimeLeft)
{
    StartRadio(RadioOptions {});
    TermSettings settings = Given();
    settings.terminal = true;
    ASSERT_EQ(Run(settings), 0);
    EXPECT_NE(out.str().find("\rCPU [##############################] 100%  0:00 left\n"), std::string::npos);
    EXPECT_NE(out.str().find("\rDSP [##############################] 100%  0:00 left\n"), std::string::npos);
}

TEST_F(TermRun, InhibitorHookHeldExactlyWhileWriting)
{
    StartRadio(RadioOptions {});
    std::vector<bool> calls;
    hooks.writingChanged = [this, &calls](bool writing) {
        calls.push_back(writing);
        EXPECT_EQ(writing, seq->IsInProgress());
    };
    int ticks = 0;
    hooks.eachTick = [&ticks] { ++ticks; };
    ASSERT_EQ(Run(Given()), 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls.front());
    EXPECT_FALSE(calls.back());
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_NE(calls[i], calls[i - 1]);  // changes only
    }
    EXPECT_GT(ticks, 1000);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(line.find("ms  ") + 4));  // without the time stamp
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A small run: the versions are equal. The trace gives the state changes,
// the event, the port's changes and the bytes each way.
TEST_F(TermRun, TraceOfASmallRun)
{
    traced = true;
    RadioOptions equal;
    equal.cpu = CpuFirmware::Same;
    equal.dsp = DspFirmware::Same;
    StartRadio(equal);
    ASSERT_EQ(Run(Given()), 0);
    const std::vector<std::string> lines = SplitLines(traceOut.str());
    for (const char* line : {"state Opening -> Reset", "state Reset -> Begin", "state Begin -> CommOpen",
                             "state Ident_Wait -> Evaluate", "state Completed -> Standby",
                             "event EvCompleted (21), target 0", "open memory: open", "TX 33 90 82 82",
                             "TX 33 90 82 83", "line 38400 bit/s, 8 data bits"}) {
        EXPECT_TRUE(Has(lines, line)) << line << "\n" << traceOut.str();
    }
    // The identity answer, read a byte at a time, on one line.
    const auto answer = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("RX ", 0) == 0; });
    ASSERT_NE(answer, lines.end());
    EXPECT_EQ(answer->size(), 3 + 17 * 3 - 1) << *answer;
    seq.reset();  // the program's end closes the port
    EXPECT_TRUE(Has(SplitLines(traceOut.str()), "close")) << traceOut.str();
}

// A whole update: every packet summarised, with its address; the bytes shown
// and the packets' lengths add up to what the radio received, so no packet
// is shown twice and nothing is left out.
TEST_F(TermRun, TraceOfAWholeUpdateSummarisesEveryPacket)
{
    traced = true;
    StartRadio(RadioOptions {});
    ASSERT_EQ(Run(Given()), 0);
    const std::vector<std::string> lines = SplitLines(traceOut.str());
    uint64_t bytes = 0;
    int writes = 0;
    int ends = 0;
    bool inTx = false;
    for (const std::string& line : lines) {
        const bool tx = line.rfind("TX ", 0) == 0;
        if (line.rfind("TX packet ", 0) == 0) {
            bytes += std::stoul(line.substr(line.rfind(", ") + 2));
            writes += line.rfind("TX packet 00 write block address ", 0) == 0 ? 1 : 0;
            ends += line == "TX packet 0F end, 5 bytes" ? 1 : 0;
            inTx = false;
        } else if (tx || (inTx && line.rfind("   ", 0) == 0)) {
            const std::string hex = line.substr(3);
            bytes += (hex.size() + 1) / 3;
            inTx = true;
        } else {
            inTx = false;
        }
    }
    const RadioReport r = radio->Report();
    EXPECT_EQ(bytes, r.bytesReceived);
    EXPECT_EQ(writes, r.blocksWritten);
    EXPECT_EQ(ends, 2);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("TX packet 08 check block address FFC000, ", 0) == 0;
    })) << "the system area's first check";
    EXPECT_TRUE(Has(lines, "state RomW_Data -> RomW_Sum"));
    EXPECT_TRUE(Has(lines, "event EvUpdatingCpu (17), target 1"));
    EXPECT_LT(lines.size(), static_cast<size_t>(4 * r.blocksWritten));  // readable: a few lines a block
}

} // namespace
