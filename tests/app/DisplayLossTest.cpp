// Losing the display: the message Qt reports it with, what the program says
// and returns once a write has gone on without windows, and the whole
// program on an X server of the test's own (Xvfb) that is ended while the
// program writes to the emulated radio.
#include "DisplayLossWatch.h"
#include "ExitStatus.h"
#include "EmulatedRadio.h"
#include "LineAttempts.h"
#include "Targets.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using enum SeqEvent;

// --- the message and the outcome -------------------------------------------

struct MessageCase {
    const char* name;
    QtMsgType type;
    const char* text;
    bool loss;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class LossMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(LossMessage, IsRecognised)
{
    EXPECT_EQ(DisplayLossWatch::IsLossMessage(GetParam().type, QString::fromLatin1(GetParam().text)),
              GetParam().loss);
}

INSTANTIATE_TEST_SUITE_P(
    DisplayLoss, LossMessage,
    testing::Values(
        MessageCase {"xcb_side", QtWarningMsg, "The X11 connection broke (error 1). Did the X11 server die?", true},
        MessageCase {"xlib_side", QtWarningMsg, "The X11 connection broke: I/O error (code 1)", true},
        MessageCase {"as_a_fatal_message", QtFatalMsg, "The X11 connection broke (error 1). Did the X11 server die?",
                     true},
        MessageCase {"other_warning", QtWarningMsg, "QObject::connect: No such signal", false},
        MessageCase {"the_words_inside_another", QtWarningMsg, "Note: The X11 connection broke (error 1)", false},
        MessageCase {"debug_output", QtDebugMsg, "The X11 connection broke (error 1)", false}),
    [](const testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

struct OutcomeCase {
    const char* name;
    SeqEvent last;
    int target;
    int status;
    const char* text;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class Outcome : public testing::TestWithParam<OutcomeCase> {};

// The text of the scene the window would have shown, in one line.
TEST_P(Outcome, IsTheSceneTheWindowWouldHaveShown)
{
    const WriteOutcome outcome = OutcomeOfWrite(GetParam().last, GetParam().target);
    EXPECT_EQ(outcome.status, GetParam().status);
    EXPECT_EQ(outcome.text, GetParam().text);
}

constexpr const char* CpuFailed =
    "Firmware of CPU updating failed. Detach the battery pack, then reattach it and try again to update.";
constexpr const char* DspFailed =
    "Firmware of DSP updating failed. Detach the battery pack, then reattach it and try again to update.";

INSTANTIATE_TEST_SUITE_P(
    DisplayLoss, Outcome,
    testing::Values(
        OutcomeCase {"completed", EvCompleted, TargetDsp, ExitStatus::Done,
                     "Firmware updating is completed."},
        OutcomeCase {"completed_main_only", EvCompleted, TargetCpu, ExitStatus::Done,
                     "Firmware updating is completed."},
        OutcomeCase {"block_refused_main", EvRomData, TargetCpu, 15, CpuFailed},
        OutcomeCase {"block_refused_dsp", EvRomData, TargetDsp, 16, DspFailed},
        OutcomeCase {"boot_loader_gone_dsp", EvBoot, TargetDsp, 16, DspFailed},
        OutcomeCase {"no_answer_between_the_two", EvNoAnswer, TargetDsp, 11,
                     "No Answer form the RX-77. Please check the connection."},
        OutcomeCase {"version_not_taken", EvVersion, TargetCpu, 13,
                     "Cannot transfer the firmware of CPU. Please check the connection."},
        OutcomeCase {"write_error", EvUnknown, TargetCpu, 11,
                     "No Answer form the RX-77. Please check the connection."}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

// --- the whole program on an X server that ends -----------------------------

// A whole update said as completed on standard error, both flashes equal to
// the images and the radio told to leave update mode.
void ExpectCompleted(const std::string& said, const RadioReport& report)
{
    EXPECT_NE(said.find("rx77nova-update: Firmware updating is completed.\n"), std::string::npos) << said;
    EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
    EXPECT_TRUE(report.dsp.matchesImage) << FormatReport(report);
    EXPECT_FALSE(report.inUpdateMode) << "the radio was not told to leave update mode";
    EXPECT_TRUE(report.protocolErrors.empty()) << FormatReport(report);
}


constexpr int RadioCom = 3;
// Generous: a loaded two-core machine, and the sanitizers.
constexpr int WindowWaitMs = 60000;
constexpr int WriteWaitMs = 120000;
constexpr int EndWaitMs = 300000;
// Ticks settle and scenes change in milliseconds; a key press comes well after.
constexpr int SettleMs = 2000;
// The main processor takes some thousands of blocks: this is early in it.
constexpr int BlocksBeforeTheLoss = 100;
constexpr int StartAttempts = 3;

bool WaitFor(const std::function<bool()>& done, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The environment of this process with some variables replaced.
std::vector<std::string> EnvironmentWith(const std::vector<std::pair<std::string, std::string>>& set)
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : set) {
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        }
        if (!replaced) {
            env.push_back(text);
        }
    }
    for (const auto& [name, value] : set) {
        env.push_back(name + "=" + value);
    }
    return env;
}

// Starts a program (looked up on PATH) with its standard error to a file
// and, when given, fd3 as its descriptor 3; the pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& errFile,
            int fd3 = -1)
{
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(null, 0);
        dup2(null, 1);
        dup2(err >= 0 ? err : null, 2);
        if (fd3 >= 0) {
            dup2(fd3, 3);
        }
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// The exit status once the process has ended, or -1 when the time ran out.
int WaitForExit(pid_t pid, int ms)
{
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, ms);
    if (!ended) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// An X server of the test's own, on a display number it picks itself.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const TempDir& dir)
    {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) {
            return;
        }
        // Xvfb names its display on descriptor 3 once it is ready.
        pid = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                    EnvironmentWith({}), dir.Join("xvfb.log"), ready[1]);
        close(ready[1]);
        std::string number;
        pollfd p {ready[0], POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, WindowWaitMs) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;  // the server is up once it has said where
        }
        close(ready[0]);
        if (!number.empty()) {
            name = ":" + number;
        }
        log = dir.Join("xvfb.log");
    }
    ~VirtualDisplay() { End(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when the server did not come up (Why() says more).
    const std::string& Name() const { return name; }
    std::string Why() const { return "Xvfb did not come up: " + ReadFile(log); }

    // The server ends; every client's connection breaks.
    void End()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            if (WaitForExit(pid, 20000) < 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
            pid = -1;
        }
    }

private:
    pid_t pid = -1;
    std::string name;
    std::string log;
};

// The program's windows on the display, driven by key presses as a user
// drives them (xdotool).
class DisplayLossRun : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Ok());
        ASSERT_TRUE(dir.MakeFolder("ports"));
        ASSERT_TRUE(dir.MakeFolder("runtime"));
        display = std::make_unique<VirtualDisplay>(dir);
        if (display->Name().empty()) {
            GTEST_SKIP() << display->Why();
        }
    }

    void TearDown() override { StopProgram(); }

    void StopProgram()
    {
        if (program > 0 && WaitForExit(program, 0) < 0) {
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
        }
        program = -1;
    }

    // Runs body against a radio with these options; again with a fresh
    // radio, program and X server when a stalled machine held the line's
    // bytes back and so spoiled the attempt (LineAttempts.h).
    void WithRadio(const RadioOptions& options, const std::function<void()>& body)
    {
        const auto fresh = [&] {
            StopProgram();
            radio.reset();
            display.reset();
            display = std::make_unique<VirtualDisplay>(dir);
            ASSERT_FALSE(display->Name().empty()) << display->Why();
            StartRadio(options);
        };
        StartRadio(options);
        AttemptUntilTheLineKeepsUp(body, [&] { return radio ? radio->Report().requestsHeldBack : 0; }, fresh);
    }

    void StartRadio(RadioOptions options)
    {
        radio = std::make_unique<EmulatedRadio>(std::move(options));
        ASSERT_TRUE(radio->Start()) << radio->Error();
        ASSERT_TRUE(radio->LinkAs(dir.Join("ports"), RadioCom)) << radio->Error();
    }

    void StartProgram()
    {
        // No session or system bus of the machine's: the program goes on
        // without its inhibitors, and nothing starts a bus for it.
        const auto env = EnvironmentWith({{"DISPLAY", display->Name()},
                                          {"QT_QPA_PLATFORM", "xcb"},
                                          {"XDG_RUNTIME_DIR", dir.Join("runtime")},
                                          {"RX77NOVA_PORT_DIR", dir.Join("ports")},
                                          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.Join("no-bus")},
                                          {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir.Join("no-bus")}});
        program = Spawn({RX_PROGRAM}, env, dir.Join("stderr"));
        ASSERT_GT(program, 0);
    }

    std::string Xdotool(const std::string& args) const
    {
        const std::string command = "DISPLAY=" + display->Name() + " xdotool " + args + " 2>/dev/null";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
                out += buffer;
            }
            pclose(pipe);
        }
        return out;
    }

    // The program's window on show (the card, or the main window once agreed).
    std::string ShownWindow() const
    {
        const std::string ids = Xdotool("search --onlyvisible --name 'RX-77NOVA'");
        return ids.substr(0, ids.find('\n'));
    }

    // Waits for a window other than `other` to be shown; its id.
    std::string WaitForWindowOtherThan(const std::string& other)
    {
        std::string shown;
        WaitFor(
            [&] {
                shown = ShownWindow();
                return !shown.empty() && shown != other;
            },
            WindowWaitMs);
        return shown != other ? shown : std::string();
    }

    // The keyboard focus starts on the second button (No, Cancel): back one
    // to the first (Yes, OK) and press it with Enter.
    void PressFirstButton(const std::string& window)
    {
        Xdotool("windowfocus --sync " + window + " key --clearmodifiers --delay 100 shift+Tab Return");
    }

    // Agreed on the card, COM3 taken on the port screen, the write time
    // question answered Yes: true once the writing runs. False when a step
    // did not come, with what went wrong.
    bool TryToStartTheWrite(std::string& why)
    {
        const std::string card = WaitForWindowOtherThan("");
        if (card.empty()) {
            why = "the opening card never showed";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(SettleMs));
        PressFirstButton(card);
        const std::string main = WaitForWindowOtherThan(card);
        if (main.empty()) {
            why = "the main window never showed";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(SettleMs));
        PressFirstButton(main);  // OK, with the port box's COM3
        if (!WaitFor([&] { return radio->Report().identitiesAnswered > 0; }, WriteWaitMs)) {
            why = "the radio was never asked who it is\n" + FormatReport(radio->Report());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(SettleMs));
        PressFirstButton(main);  // Yes
        if (!WaitFor([&] { return radio->Report().blocksWritten >= BlocksBeforeTheLoss; }, WriteWaitMs)) {
            why = "the writing did not start\n" + FormatReport(radio->Report());
            return false;
        }
        return true;
    }

    // The program started and driven until it writes. A machine loaded far
    // enough can make the first identification fail (the window then offers
    // Retry); that is not what these cases are about, so the start is
    // tried again with a fresh program and the radio switched off and on.
    void StartWriting()
    {
        std::string why;
        for (int attempt = 1; attempt <= StartAttempts; ++attempt) {
            StartProgram();
            if (HasFatalFailure() || TryToStartTheWrite(why)) {
                return;
            }
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
            program = -1;
            radio->PowerCycle();
        }
        FAIL() << why;
    }

    // The program started until its opening card shows; on a loaded machine
    // tried again with a fresh program, as StartWriting does, saying what
    // the program said when the card never came.
    void StartShowingTheCard()
    {
        std::string why;
        for (int attempt = 1; attempt <= StartAttempts; ++attempt) {
            StartProgram();
            if (HasFatalFailure() || !WaitForWindowOtherThan("").empty()) {
                return;
            }
            const int status = WaitForExit(program, 0);
            why = "the opening card never showed; the program " +
                  (status < 0 ? std::string("still ran") : "ended with status " + std::to_string(status)) +
                  " and said: " + ReadFile(dir.Join("stderr"));
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
            program = -1;
        }
        FAIL() << why;
    }

    // Ends the X server and waits for the program; its exit status and what
    // it said on standard error.
    std::pair<int, std::string> LoseTheDisplay()
    {
        display->End();
        return AwaitTheEnd();
    }

    // Waits for the program to end; its exit status and what it said on
    // standard error.
    std::pair<int, std::string> AwaitTheEnd()
    {
        const int status = WaitForExit(program, EndWaitMs);
        if (status >= 0) {
            program = -1;  // ended; one that did not is killed at TearDown
        }
        return {status, ReadFile(dir.Join("stderr"))};
    }

    TempDir dir;
    std::unique_ptr<VirtualDisplay> display;
    std::unique_ptr<EmulatedRadio> radio;
    pid_t program = -1;
};

TEST_F(DisplayLossRun, WhileTheCardIsShownTheProgramEndsAndSaysNothingWasWritten)
{
    StartRadio({});
    ASSERT_NO_FATAL_FAILURE(StartShowingTheCard());
    const auto [status, said] = LoseTheDisplay();
    EXPECT_EQ(status, ExitStatus::DisplayLost) << said;
    EXPECT_NE(said.find("the display connection was lost; no firmware was being written."), std::string::npos)
        << said;
    EXPECT_EQ(radio->Report().bytesReceived, 0u);
}

TEST_F(DisplayLossRun, WhileWritingTheWriteGoesOnToItsEnd)
{
    WithRadio({}, [&] {
        ASSERT_NO_FATAL_FAILURE(StartWriting());
        const auto [status, said] = LoseTheDisplay();
        const RadioReport report = radio->Report();
        EXPECT_EQ(status, ExitStatus::Done) << said << FormatReport(report);
        EXPECT_NE(said.find("the writing goes on without windows."), std::string::npos) << said;
        ExpectCompleted(said, report);
    });
}

TEST_F(DisplayLossRun, WhileWritingAFailureLaterIsSaidAsTheWindowWouldHave)
{
    RadioOptions options;
    options.faults.push_back(Fault {"cpu.block600", FaultKind::Silent, 0, false});
    WithRadio(options, [&] {
        ASSERT_NO_FATAL_FAILURE(StartWriting());
        const auto [status, said] = LoseTheDisplay();
        const RadioReport report = radio->Report();
        EXPECT_EQ(status, 15) << said << FormatReport(report);
        EXPECT_NE(said.find(std::string("rx77nova-update: ") + CpuFailed + "\n"), std::string::npos) << said;
        EXPECT_FALSE(report.cpu.matchesImage) << FormatReport(report);
        EXPECT_EQ(report.faultsInjected.size(), 1u) << FormatReport(report);
    });
}

// --- a request to end while writing -----------------------------------------
// The same whole program, asked to end (a shutdown's SIGTERM, Ctrl+C's
// SIGINT) while the main processor is written: refused and remembered; once
// both processors are written, or the update has failed, the outcome's line
// on standard error and its status, without waiting for OK.

// A stray signal whose default would end the process (a user signal, a
// timer, a closed pipe) is refused like the request to end that follows it.
TEST_F(DisplayLossRun, TerminationWhileWritingEndsOnceTheWholeUpdateHasEnded)
{
    WithRadio({}, [&] {
        ASSERT_NO_FATAL_FAILURE(StartWriting());
        for (const int signal : {SIGUSR1, SIGALRM, SIGPIPE, SIGTERM}) {
            kill(program, signal);
        }
        const auto [status, said] = AwaitTheEnd();
        // The exit command went out with the last scene; the radio's thread
        // takes it a moment later.
        WaitFor([&] { return !radio->Report().inUpdateMode; }, 30000);
        const RadioReport report = radio->Report();
        EXPECT_EQ(status, ExitStatus::Done) << said << FormatReport(report);
        ExpectCompleted(said, report);
    });
}

TEST_F(DisplayLossRun, InterruptWhileWritingThenAFailureEndsWithTheFailure)
{
    RadioOptions options;
    options.faults.push_back(Fault {"dsp.block 10", FaultKind::Silent, 0, false});
    WithRadio(options, [&] {
        ASSERT_NO_FATAL_FAILURE(StartWriting());
        kill(program, SIGINT);
        const auto [status, said] = AwaitTheEnd();
        const RadioReport report = radio->Report();
        EXPECT_EQ(status, 16) << said << FormatReport(report);
        EXPECT_NE(said.find(std::string("rx77nova-update: ") + DspFailed + "\n"), std::string::npos) << said;
        EXPECT_TRUE(report.cpu.matchesImage) << FormatReport(report);
        EXPECT_FALSE(report.dsp.matchesImage) << FormatReport(report);
    });
}

} // namespace
