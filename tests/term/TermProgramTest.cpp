// The program itself in terminal form, run as a process against the
// emulated radio on a pseudo-terminal: real time, real termios, the radio's
// own thread. Outcomes are checked with generous time limits.
#include "EmulatedRadio.h"
#include "EnvVariable.h"
#include "ExitStatus.h"
#include "InstanceLock.h"
#include "LineAttempts.h"
#include "TempDir.h"
#include "TermSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int RadioCom = 5;
constexpr int LongRunMs = 240000;  // a whole update, unpaced, on a loaded machine

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string LastLine(const std::string& text)
{
    std::istringstream in(text);
    std::string last;
    for (std::string line; std::getline(in, line);) {
        last = line;
    }
    return last;
}

// One run of the program: its environment is this process's plus the port
// folder, the runtime folder and what a case adds; standard input a pipe.
class ProgramRun {
public:
    ProgramRun(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputDir)
        : outPath(outputDir + "/out.txt"), errPath(outputDir + "/err.txt")
    {
        // A variable given replaces this process's of the same name.
        std::vector<std::string> env = extraEnv;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& given : extraEnv) {
                replaced = replaced || given.rfind(name, 0) == 0;
            }
            if (!replaced) {
                env.push_back(entry);
            }
        }
        std::vector<std::string> argv {RX_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        std::vector<char*> envp;
        for (std::string& a : argv) {
            argp.push_back(a.data());
        }
        argp.push_back(nullptr);
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        int input[2];
        if (pipe2(input, O_CLOEXEC) != 0) {
            return;
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid = fork();
        if (pid == 0) {
            dup2(input[0], STDIN_FILENO);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            execve(argp[0], argp.data(), envp.data());
            _exit(127);
        }
        close(input[0]);
        close(out);
        close(err);
        inputFd = input[1];
    }

    ~ProgramRun()
    {
        if (pid > 0 && status < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        CloseInput();
    }

    void Type(const std::string& text) const
    {
        ASSERT_EQ(write(inputFd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    void CloseInput()
    {
        if (inputFd >= 0) {
            close(inputFd);
            inputFd = -1;
        }
    }

    void Signal(int number) const { kill(pid, number); }

    // The exit status; -1 when the program has not ended within limitMs.
    int Wait(int limitMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (status < 0 && std::chrono::steady_clock::now() < until) {
            int raw = 0;
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status;
    }

    // Waits until the output holds text; false after limitMs.
    bool WaitForOutput(const std::string& text, int limitMs) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < until) {
            if (Out().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string Out() const { return ReadAll(outPath); }
    std::string Err() const { return ReadAll(errPath); }

private:
    std::string outPath;
    std::string errPath;
    pid_t pid = -1;
    int inputFd = -1;
    int status = -1;
};

class TermProgram : public testing::Test {
protected:
    void StartRadio(const RadioOptions& options)
    {
        ASSERT_TRUE(ports.Ok() && runtime.Ok() && files.Ok());
        radio = std::make_unique<EmulatedRadio>(options);
        ASSERT_TRUE(radio->Start()) << radio->Error();
        ASSERT_TRUE(radio->LinkAs(ports.Path(), RadioCom));
    }

    // Runs body against a radio with these options, again on a fresh radio
    // when a stalled machine spoiled the attempt (LineAttempts.h).
    void WithRadio(const RadioOptions& options, const std::function<void()>& body)
    {
        const auto fresh = [&] {
            run.reset();
            radio.reset();
            StartRadio(options);
        };
        fresh();
        AttemptUntilTheLineKeepsUp(body, [&] { return radio ? radio->Report().requestsHeldBack : 0; }, fresh);
    }

    std::unique_ptr<ProgramRun> Start(const std::vector<std::string>& args, std::vector<std::string> env = {})
    {
        env.push_back("RX77NOVA_PORT_DIR=" + ports.Path());
        env.push_back("XDG_RUNTIME_DIR=" + runtime.Path());
        return std::make_unique<ProgramRun>(args, env, files.Path());
    }

    // A whole run with both answers given; its exit status. The trace goes
    // to standard error, shown when a case fails.
    int RunGiven(int limitMs = LongRunMs)
    {
        run = Start({"--port", std::to_string(RadioCom), "--agree", "--yes", "--trace"});
        run->CloseInput();
        return run->Wait(limitMs);
    }

    void ExpectFlashesEqualImages() const
    {
        const RadioReport r = radio->Report();
        EXPECT_TRUE(r.cpu.matchesImage) << FormatReport(r);
        EXPECT_TRUE(r.dsp.matchesImage) << FormatReport(r);
    }

    void TearDown() override
    {
        run.reset();
        if (radio) {
            radio->Stop();
        }
    }

    TempDir ports;
    TempDir runtime;  // the single-instance lock's folder
    TempDir files;
    std::unique_ptr<EmulatedRadio> radio;
    std::unique_ptr<ProgramRun> run;
};

TEST_F(TermProgram, WholeUpdateCompletes)
{
    WithRadio(RadioOptions {}, [&] {
        EXPECT_EQ(RunGiven(), 0) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
        EXPECT_NE(run->Out().find("\nCPU 100%\n"), std::string::npos);
        EXPECT_NE(run->Out().find("\nDSP 100%\n"), std::string::npos);
        ExpectFlashesEqualImages();
        EXPECT_FALSE(radio->Report().inUpdateMode);
    });
}

struct EndCase {
    const char* name;
    CpuFirmware cpu;
    uint8_t mark;
    const char* faultPoint;
    int status;
    const char* lastLine;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class TermProgramEnds : public TermProgram, public testing::WithParamInterface<EndCase> {};

TEST_P(TermProgramEnds, WithItsStatusAndLastLine)
{
    RadioOptions options;
    options.cpu = GetParam().cpu;
    options.dsp = GetParam().cpu == CpuFirmware::Same ? DspFirmware::Same : DspFirmware::Older;
    options.variantMark = GetParam().mark;
    if (GetParam().faultPoint[0] != '\0') {
        options.faults.push_back(Fault {GetParam().faultPoint, FaultKind::Silent, 0, false});
    }
    WithRadio(options, [&] {
        EXPECT_EQ(RunGiven(60000), GetParam().status) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), GetParam().lastLine);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Term, TermProgramEnds,
    testing::Values(EndCase {"versions_equal", CpuFirmware::Same, 'E', "", 0, "This update is not needed."},
                    EndCase {"no_answer", CpuFirmware::Older, 'E', "ident", 11, "Please check the connection."},
                    EndCase {"refused_radio", CpuFirmware::Older, 'J', "", 12, "The connected RX-77 cannot update."}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(TermProgram, CutInTheDataThenARetryAfterAPowerCycleCompletes)
{
    RadioOptions options;
    options.faults.push_back(Fault {"cpu.block 1000", FaultKind::HangUp, 0, false});
    WithRadio(options, [&] {
        EXPECT_EQ(RunGiven(), static_cast<int>(Scene::CpuUpdateFailed)) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Detach the battery pack, then reattach it and try again to update.");
    });
    // A spoiled retry is a retry again after another power cycle.
    AttemptUntilTheLineKeepsUp(
        [&] {
            radio->PowerCycle();
            EXPECT_EQ(RunGiven(), 0) << run->Out() << run->Err();
            EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
            ExpectFlashesEqualImages();
        },
        [&] { return radio->Report().requestsHeldBack; }, [] {});
}

TEST_F(TermProgram, TypedNoToTheQuestionSendsTheExitCommand)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start({"--port", std::to_string(RadioCom)});
        run->Type("y\n");
        ASSERT_TRUE(run->WaitForOutput("Do you wish to start the firmware update? [y/N] ", 30000)) << run->Out();
        run->Type("n\n");
        EXPECT_EQ(run->Wait(30000), ExitStatus::Declined) << run->Out() << run->Err();
        EXPECT_FALSE(radio->Report().inUpdateMode);
        EXPECT_EQ(radio->Report().blocksWritten, 0);
    });
}

// Refused while a processor is written; the update goes on to its end.
TEST_F(TermProgram, TerminationSignalWhileWritingIsRefused)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start({"--port", std::to_string(RadioCom), "--agree", "--yes"});
        ASSERT_TRUE(run->WaitForOutput("CPU 10%", LongRunMs)) << run->Out();
        run->Signal(SIGTERM);
        ASSERT_TRUE(run->WaitForOutput(TermSession::RefusedText, 30000)) << run->Out();
        run->Signal(SIGINT);
        EXPECT_EQ(run->Wait(LongRunMs), 0) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
    });
}

TEST_F(TermProgram, InterruptAtTheQuestionEndsIt)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start({"--port", std::to_string(RadioCom), "--agree"});
        ASSERT_TRUE(run->WaitForOutput("Do you wish to start the firmware update? [y/N] ", 30000)) << run->Out();
        run->Signal(SIGINT);
        EXPECT_EQ(run->Wait(30000), ExitStatus::Signalled) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), TermSession::SignalEndText);
    });
}

// One copy in all: a terminal run is refused while another copy holds the
// lock, and a windowed copy started beside a terminal run ends at once.
TEST_F(TermProgram, OneCopyAcrossBothForms)
{
    StartRadio(RadioOptions {});
    {
        const EnvVariable runtimeDir("XDG_RUNTIME_DIR", runtime.Path());
        const InstanceLock held(ProgramMutexName);
        ASSERT_TRUE(held.Held());
        run = Start({"--port", std::to_string(RadioCom), "--agree", "--yes"});
        EXPECT_EQ(run->Wait(30000), ExitStatus::SecondCopy) << run->Err();
        EXPECT_NE(run->Err().find("is already running"), std::string::npos) << run->Err();
        EXPECT_EQ(radio->Report().bytesReceived, 0u);
    }
    run = Start({"--port", std::to_string(RadioCom)});  // waits at the caution notice
    ASSERT_TRUE(run->WaitForOutput("[y/N] ", 30000));
    TempDir windowFiles;
    ProgramRun window({}, {"RX77NOVA_PORT_DIR=" + ports.Path(), "XDG_RUNTIME_DIR=" + runtime.Path()}, windowFiles.Path());
    window.CloseInput();
    EXPECT_EQ(window.Wait(30000), 0);
    EXPECT_NE(window.Err().find("is already running"), std::string::npos) << window.Err();
    run->CloseInput();  // no answer: declined
    EXPECT_EQ(run->Wait(30000), ExitStatus::Declined);
}

TEST_F(TermProgram, ListsThePortsAndHelps)
{
    StartRadio(RadioOptions {});
    run = Start({"--list-ports"});
    EXPECT_EQ(run->Wait(30000), 0) << run->Err();
    EXPECT_EQ(run->Out(), "COM5  " + radio->DevicePath() + "\n");
    run = Start({"--help"});
    EXPECT_EQ(run->Wait(30000), 0);
    EXPECT_NE(run->Out().find("Exit status:"), std::string::npos);
    run = Start({"--port", "300"});
    EXPECT_EQ(run->Wait(30000), ExitStatus::Usage);
    EXPECT_NE(run->Err().find("The numerical value is outside the range."), std::string::npos) << run->Err();
}

TEST_F(TermProgram, TraceFromTheEnvironment)
{
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    options.dsp = DspFirmware::Same;
    WithRadio(options, [&] {
        run = Start({"--port", std::to_string(RadioCom), "--agree", "--yes"}, {"RX77NOVA_TRACE=1"});
        EXPECT_EQ(run->Wait(60000), 0) << run->Err();
        const std::string trace = run->Err();
        for (const char* part : {" ms  state Reset -> Begin\n", " ms  state Ident_Wait -> Evaluate\n",
                                 " ms  event EvCompleted (21), target 0\n", " ms  TX 33 90 82 82\n", " ms  RX 31 2E",
                                 " ms  close\n"}) {
            EXPECT_NE(trace.find(part), std::string::npos) << part << "\n" << trace;
        }
        EXPECT_EQ(LastLine(run->Out()), "This update is not needed.");
    });
}

// --- several radios at once ---------------------------------------------------

// Radios paced at the cable's speed, each on its own pseudo-terminal and
// COM number, their DSP to be written (most of a minute each).
class TermProgramSeveral : public TermProgram {
protected:
    static constexpr int PacedRunMs = 400000;

    void StartRadios(size_t count)
    {
        radios.clear();
        RadioOptions options;
        options.cpu = CpuFirmware::Same;
        options.dsp = DspFirmware::Older;
        options.paced = true;
        for (size_t i = 0; i < count; ++i) {
            radios.push_back(std::make_unique<EmulatedRadio>(options));
            ASSERT_TRUE(radios.back()->Start()) << radios.back()->Error();
            ASSERT_TRUE(radios.back()->LinkAs(ports.Path(), RadioCom + static_cast<int>(i)));
        }
    }

    // One run of the program over the radios started, timed.
    struct Timed {
        int status = -1;
        int64_t ms = 0;
        bool flashesEqual = true;  // every radio's, and every radio out of update mode
        int heldBack = 0;          // requests a stalled machine piled up (LineAttempts.h)
        std::string output;
    };

    Timed TimedRun(const std::vector<std::string>& args)
    {
        Timed timed;
        const auto began = std::chrono::steady_clock::now();
        run = Start(args);
        run->CloseInput();
        timed.status = run->Wait(PacedRunMs);
        timed.ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count();
        timed.output = run->Out() + run->Err();
        for (const auto& radio : radios) {
            const RadioReport r = radio->Report();
            timed.flashesEqual = timed.flashesEqual && r.cpu.matchesImage && r.dsp.matchesImage && !r.inUpdateMode;
            timed.heldBack += r.requestsHeldBack;
            if (!r.cpu.matchesImage || !r.dsp.matchesImage) {
                timed.output += FormatReport(r);
            }
        }
        run.reset();
        return timed;
    }

    void TearDown() override
    {
        run.reset();
        for (const auto& radio : radios) {
            radio->Stop();
        }
        TermProgram::TearDown();
    }

    std::vector<std::unique_ptr<EmulatedRadio>> radios;
};

// Three radios take the time of one: the whole run of three is measured
// against one radio alone in the same test, on the same machine. A machine
// busy enough to spoil the pair gets one more pair; the margin stays.
TEST_F(TermProgramSeveral, ThreePacedRadiosInTheTimeOfOne)
{
    ASSERT_TRUE(ports.Ok() && runtime.Ok() && files.Ok());
    const std::string three = std::to_string(RadioCom) + "," + std::to_string(RadioCom + 1) + ","
        + std::to_string(RadioCom + 2);
    Timed alone;
    Timed together;
    double ratio = 0;
    for (int pair = 0; pair < 2; ++pair) {
        StartRadios(1);
        alone = TimedRun({"--port", std::to_string(RadioCom), "--agree", "--yes"});
        StartRadios(3);
        together = TimedRun({"--port", three, "--agree", "--yes"});
        ratio = static_cast<double>(together.ms) / static_cast<double>(std::max<int64_t>(alone.ms, 1));
        std::printf("one radio %.2f s, three radios %.2f s, ratio %.3f\n", alone.ms / 1000.0, together.ms / 1000.0,
                    ratio);
        const bool completed = alone.status == 0 && together.status == 0;
        // A pair a stalled machine spoiled (its piled-up requests failed a
        // radio) or slowed says nothing of the program: one more pair.
        if ((completed && ratio <= 1.05) || (!completed && alone.heldBack + together.heldBack == 0)) {
            break;
        }
    }
    EXPECT_EQ(alone.status, 0) << alone.output;
    EXPECT_EQ(together.status, 0) << together.output;
    EXPECT_TRUE(alone.flashesEqual) << alone.output;
    EXPECT_TRUE(together.flashesEqual) << together.output;
    EXPECT_LE(ratio, 1.05);
}

// The table at the end names each port with its versions and outcome.
TEST_F(TermProgramSeveral, TableNamesEveryRadio)
{
    ASSERT_TRUE(ports.Ok() && runtime.Ok() && files.Ok());
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    options.dsp = DspFirmware::Same;
    for (int i = 0; i < 2; ++i) {
        radios.push_back(std::make_unique<EmulatedRadio>(options));
        ASSERT_TRUE(radios.back()->Start()) << radios.back()->Error();
        ASSERT_TRUE(radios.back()->LinkAs(ports.Path(), RadioCom + i));
    }
    run = Start({"--port", std::to_string(RadioCom), "--port", std::to_string(RadioCom + 1), "--agree", "--yes",
                 "--trace"});
    run->CloseInput();
    ASSERT_EQ(run->Wait(60000), 0) << run->Out() << run->Err();
    const std::string out = run->Out();
    EXPECT_NE(out.find("\nCOM5  "), std::string::npos) << out;
    EXPECT_NE(out.find("\nCOM6  "), std::string::npos) << out;
    EXPECT_NE(out.find("This update is not needed."), std::string::npos) << out;
    EXPECT_NE(run->Err().find("COM6  "), std::string::npos) << run->Err();
}

} // namespace
