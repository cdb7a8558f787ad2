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

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
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

// Where a run's standard descriptors lead instead of the input pipe and the
// two files: a descriptor of the test's (which stays the test's), or Closed.
struct Wiring {
    static constexpr int Default = -1;
    static constexpr int Closed = -2;
    int in = Default;
    int out = Default;
    int err = Default;
};

// A request to end that was refused while a processor was written is
// honoured once the whole update has ended: the outcome's line on standard
// error, and the outcome's status.
void ExpectOutcomeOnStandardError(const std::string& err, const std::string& outcome)
{
    EXPECT_NE(err.find(": " + outcome + "\n"), std::string::npos) << err;
}

// The test's end of a pipe or a pseudo-terminal's master, read into text.
class Reader {
public:
    explicit Reader(int descriptor) : fd(descriptor) {}

    // Reads what comes within ms (one block at most).
    void Poll(int ms)
    {
        pollfd in {fd, POLLIN, 0};
        if (ended || poll(&in, 1, ms) <= 0) {
            return;
        }
        char block[65536];
        const ssize_t n = read(fd, block, sizeof block);
        if (n > 0) {
            text.append(block, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            ended = true;  // the writer's end closed (EIO from a master)
        }
    }

    // Reads until done holds; false after limitMs.
    bool ReadUntil(const std::function<bool()>& done, int limitMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= until) {
                return false;
            }
            Poll(20);
        }
        return true;
    }

    bool ReadUntilText(const std::string& part, int limitMs)
    {
        return ReadUntil([&] { return text.find(part) != std::string::npos; }, limitMs);
    }

    std::string text;
    bool ended = false;

private:
    int fd;
};

// A pipe whose ends close with it.
struct Pipe {
    Pipe()
    {
        if (pipe2(ends, O_CLOEXEC) != 0) {
            ends[0] = ends[1] = -1;
        }
    }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    void CloseRead()
    {
        if (ends[0] >= 0) {
            close(ends[0]);
            ends[0] = -1;
        }
    }
    void CloseWrite()
    {
        if (ends[1] >= 0) {
            close(ends[1]);
            ends[1] = -1;
        }
    }
    int ends[2] = {-1, -1};
};

// One run of the program: its environment is this process's plus the port
// folder, the runtime folder and what a case adds; standard input a pipe,
// standard output and error files, unless wiring says otherwise.
class ProgramRun {
public:
    ProgramRun(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputDir, Wiring wiring = {})
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
            const int given[3] = {wiring.in, wiring.out, wiring.err};
            const int plain[3] = {input[0], out, err};
            for (int fd = 0; fd < 3; ++fd) {
                if (given[fd] >= 0) {
                    dup2(given[fd], fd);
                } else if (given[fd] == Wiring::Default) {
                    dup2(plain[fd], fd);
                }
            }
            for (int fd = 0; fd < 3; ++fd) {
                if (given[fd] == Wiring::Closed) {
                    close(fd);
                }
            }
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

    // The radio has left its update mode. The program may end before the
    // radio's thread has read the last command from the line: waited for.
    bool RadioLeftUpdateMode(int limitMs) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (radio->Report().inUpdateMode) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
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

    std::unique_ptr<ProgramRun> Start(const std::vector<std::string>& args, std::vector<std::string> env = {},
                                      Wiring wiring = {})
    {
        env.push_back("RX77NOVA_PORT_DIR=" + ports.Path());
        env.push_back("XDG_RUNTIME_DIR=" + runtime.Path());
        return std::make_unique<ProgramRun>(args, env, files.Path(), wiring);
    }

    std::vector<std::string> GivenArgs() const
    {
        return {"--port", std::to_string(RadioCom), "--agree", "--yes"};
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
        EXPECT_TRUE(RadioLeftUpdateMode(10000));
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
    // The cut and the retry together: a retry a stalled machine spoiled may
    // have written both flashes before it failed ("This update is not
    // needed." the next time), so the next attempt starts again from a
    // fresh radio with the cut, not from that one.
    WithRadio(options, [&] {
        EXPECT_EQ(RunGiven(), static_cast<int>(Scene::CpuUpdateFailed)) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Detach the battery pack, then reattach it and try again to update.");
        radio->PowerCycle();
        EXPECT_EQ(RunGiven(), 0) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
    });
}

TEST_F(TermProgram, TypedNoToTheQuestionSendsTheExitCommand)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start({"--port", std::to_string(RadioCom)});
        run->Type("y\n");
        ASSERT_TRUE(run->WaitForOutput("Do you wish to start the firmware update? [y/N] ", 30000)) << run->Out();
        run->Type("n\n");
        EXPECT_EQ(run->Wait(30000), ExitStatus::Declined) << run->Out() << run->Err();
        EXPECT_TRUE(RadioLeftUpdateMode(10000));
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
        ExpectOutcomeOnStandardError(run->Err(), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
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
    EXPECT_EQ(window.Wait(30000), ExitStatus::SecondCopy);
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

// Every signal whose default ends a process is refused like SIGTERM while a
// processor is written: one line, the writing goes on to both flashes equal
// to the images, and the program then ends with the outcome's status.
class TermProgramSignals : public TermProgram, public testing::WithParamInterface<int> {};

TEST_P(TermProgramSignals, WhileWritingAreRefusedAndHonouredAtTheEnd)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start(GivenArgs());
        ASSERT_TRUE(run->WaitForOutput("CPU 10%", LongRunMs)) << run->Out();
        run->Signal(GetParam());
        ASSERT_TRUE(run->WaitForOutput(TermSession::RefusedText, 30000)) << run->Out();
        EXPECT_EQ(run->Wait(LongRunMs), 0) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
        ExpectOutcomeOnStandardError(run->Err(), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
    });
}

INSTANTIATE_TEST_SUITE_P(Term, TermProgramSignals, testing::Values(SIGUSR1, SIGUSR2, SIGALRM, SIGRTMIN + 2),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == SIGRTMIN + 2 ? std::string("SIGRTMIN_2")
                                                                : std::string("SIG") + sigabbrev_np(info.param);
                         });

// At the question before the writing a request to end (Ctrl+C, or any
// signal that ends a process) sends the radio the exit command, as No does.
class TermProgramEndAtQuestion : public TermProgram, public testing::WithParamInterface<int> {};

TEST_P(TermProgramEndAtQuestion, SendsTheExitCommand)
{
    WithRadio(RadioOptions {}, [&] {
        run = Start({"--port", std::to_string(RadioCom), "--agree"});
        ASSERT_TRUE(run->WaitForOutput("Do you wish to start the firmware update? [y/N] ", 30000)) << run->Out();
        ASSERT_TRUE(radio->Report().inUpdateMode);
        run->Signal(GetParam());
        EXPECT_EQ(run->Wait(30000), ExitStatus::Signalled) << run->Out() << run->Err();
        EXPECT_EQ(LastLine(run->Out()), TermSession::SignalEndText);
        EXPECT_TRUE(RadioLeftUpdateMode(10000));
        EXPECT_EQ(radio->Report().blocksWritten, 0);
    });
}

INSTANTIATE_TEST_SUITE_P(Term, TermProgramEndAtQuestion, testing::Values(SIGINT, SIGTERM, SIGUSR1),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string("SIG") + sigabbrev_np(info.param);
                         });

// The reader of standard output leaves while the main processor is written
// (| head, less quit): no SIGPIPE death; the writing goes on to its end and
// the program ends with the outcome's status, saying so on standard error.
TEST_F(TermProgram, OutputReaderGoneWhileWriting)
{
    WithRadio(RadioOptions {}, [&] {
        Pipe out;
        ASSERT_GE(out.ends[0], 0);
        Wiring wiring;
        wiring.out = out.ends[1];
        run = Start(GivenArgs(), {}, wiring);
        out.CloseWrite();
        Reader reader(out.ends[0]);
        ASSERT_TRUE(reader.ReadUntilText("CPU 10%", LongRunMs)) << reader.text << run->Err();
        out.CloseRead();
        EXPECT_EQ(run->Wait(LongRunMs), 0) << run->Err();
        EXPECT_NE(run->Err().find("standard output: Broken pipe"), std::string::npos) << run->Err();
        ExpectOutcomeOnStandardError(run->Err(), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
    });
}

// The same for the trace's reader (--trace 2>&1 | less, then q).
TEST_F(TermProgram, TraceReaderGoneWhileWriting)
{
    WithRadio(RadioOptions {}, [&] {
        Pipe err;
        ASSERT_GE(err.ends[0], 0);
        Wiring wiring;
        wiring.err = err.ends[1];
        std::vector<std::string> args = GivenArgs();
        args.push_back("--trace");
        run = Start(args, {}, wiring);
        err.CloseWrite();
        Reader reader(err.ends[0]);
        ASSERT_TRUE(reader.ReadUntil([&] { return run->Out().find("CPU 10%") != std::string::npos; }, LongRunMs))
            << run->Out();
        err.CloseRead();
        EXPECT_EQ(run->Wait(LongRunMs), 0) << run->Out();
        EXPECT_EQ(LastLine(run->Out()), "Firmware updating is completed.");
        ExpectFlashesEqualImages();
    });
}

// Output and trace into a pipe nobody reads: the loop never waits on it,
// the update goes to its end meanwhile, and once someone reads, the held
// lines come with a line that says how much was left out, and the last
// line.
TEST_F(TermProgram, BlockedOutputNeverStallsTheWriting)
{
    WithRadio(RadioOptions {}, [&] {
        Pipe out;
        ASSERT_GE(out.ends[0], 0);
        fcntl(out.ends[1], F_SETPIPE_SZ, 4096);
        Wiring wiring;
        wiring.out = out.ends[1];
        wiring.err = out.ends[1];
        std::vector<std::string> args = GivenArgs();
        args.push_back("--trace");
        run = Start(args, {}, wiring);
        out.CloseWrite();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(LongRunMs);
        for (;;) {
            const RadioReport r = radio->Report();
            if ((r.cpu.matchesImage && r.dsp.matchesImage && !r.inUpdateMode) || run->Wait(0) >= 0
                || std::chrono::steady_clock::now() > until) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ExpectFlashesEqualImages();
        EXPECT_TRUE(RadioLeftUpdateMode(10000));
        Reader reader(out.ends[0]);
        ASSERT_TRUE(reader.ReadUntil([&] { return reader.ended; }, LongRunMs)) << reader.text;
        EXPECT_EQ(run->Wait(30000), 0) << reader.text;
        EXPECT_NE(reader.text.find(" bytes of output left out: the output was held up)\n"), std::string::npos);
        EXPECT_NE(reader.text.find("\nFirmware updating is completed.\n"), std::string::npos);
    });
}

// A line half typed does not hold a request to end up; endless input
// without a line end (</dev/zero) is no, at once.
TEST_F(TermProgram, InputCannotHoldTheQuestionsUp)
{
    StartRadio(RadioOptions {});
    run = Start({"--port", std::to_string(RadioCom)});
    ASSERT_TRUE(run->WaitForOutput("[y/N] ", 30000)) << run->Out();
    run->Type("yyyyyyyy");
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30000), ExitStatus::Signalled) << run->Out() << run->Err();

    const int zero = open("/dev/zero", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(zero, 0);
    Wiring wiring;
    wiring.in = zero;
    run = Start({"--port", std::to_string(RadioCom)}, {}, wiring);
    close(zero);
    EXPECT_EQ(run->Wait(30000), ExitStatus::Declined) << run->Out() << run->Err();
    EXPECT_EQ(radio->Report().bytesReceived, 0u);
}

// Started with standard output closed, the program must not take the lock
// file for it: the lock file holds only the word that says which form holds
// it, none of the notices.
TEST_F(TermProgram, ClosedStandardOutputIsNotTheLockFile)
{
    StartRadio(RadioOptions {});
    Wiring wiring;
    wiring.out = Wiring::Closed;
    run = Start({"--port", std::to_string(RadioCom)}, {}, wiring);
    run->Type("n\n");
    EXPECT_EQ(run->Wait(30000), ExitStatus::Declined) << run->Err();
    const std::string lock = ReadAll(runtime.Path() + "/" + ProgramMutexName + ".lock");
    EXPECT_EQ(lock, "terminal\n");
    EXPECT_EQ(lock.find("CAUTION"), std::string::npos);
}

// Options the terminal form does not take are refused with the usage,
// never starting a window; --version gives the project's version; --help
// and --list-ports whose output fails say so with the output status.
TEST_F(TermProgram, BadOptionsAndFailedOutput)
{
    StartRadio(RadioOptions {});
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--prot", "3"}, "unknown option \"--prot\""},
        {{"-p", "3"}, "unknown option \"-p\""},
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--port", "3", "--port", "3"}, "COM port 3 is given twice"},
        {{"--port", "3", "--yes", "--yes"}, "--yes is given twice"},
        {{"--list-ports", "--port", "3"}, "--list-ports goes alone"},
    };
    for (const auto& [args, why] : refused) {
        run = Start(args);
        EXPECT_EQ(run->Wait(30000), ExitStatus::Usage) << why << "\n" << run->Err();
        EXPECT_NE(run->Err().find(why), std::string::npos) << run->Err();
        EXPECT_NE(run->Err().find("Usage: "), std::string::npos) << run->Err();
        EXPECT_EQ(run->Out(), "");
    }
    run = Start({"--version"});
    EXPECT_EQ(run->Wait(30000), 0);
    EXPECT_NE(run->Out().find(std::string(" ") + RX_VERSION + "\n"), std::string::npos) << run->Out();

    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    Wiring wiring;
    wiring.out = full;
    for (const char* option : {"--help", "--list-ports", "--version"}) {
        run = Start({option}, {}, wiring);
        EXPECT_EQ(run->Wait(30000), ExitStatus::OutputFailed) << option;
        EXPECT_NE(run->Err().find("could not be written"), std::string::npos) << option << run->Err();
    }
    close(full);
}

// On a terminal the bar fits the terminal's width and follows its changes:
// 200 columns give the whole bar; narrowed to 20 while the main processor
// is written, every bar after that (all the DSP's) stays within 19 columns,
// so no redraw wraps.
TEST_F(TermProgram, ProgressBarFitsTheTerminal)
{
    WithRadio(RadioOptions {}, [&] {
        int master = -1;
        int slave = -1;
        winsize size {};
        size.ws_row = 24;
        size.ws_col = 200;
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
        Wiring wiring;
        wiring.out = slave;
        run = Start(GivenArgs(), {}, wiring);
        close(slave);
        Reader reader(master);
        ASSERT_TRUE(reader.ReadUntilText("CPU [###", LongRunMs)) << reader.text << run->Err();
        size.ws_col = 20;
        ASSERT_EQ(ioctl(master, TIOCSWINSZ, &size), 0);
        EXPECT_TRUE(reader.ReadUntil([&] { return reader.ended || run->Wait(0) >= 0; }, LongRunMs));
        reader.ReadUntil([&] { return reader.ended; }, 5000);  // what is still on its way
        close(master);
        EXPECT_EQ(run->Wait(30000), 0) << reader.text << run->Err();
        ExpectFlashesEqualImages();

        int wide = 0;
        int dspBars = 0;
        size_t start = 0;
        const std::string& text = reader.text;
        while (start < text.size()) {
            const size_t end = text.find_first_of("\r\n", start);
            const std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            start = end == std::string::npos ? text.size() : end + 1;
            const bool bar = (piece.rfind("CPU ", 0) == 0 || piece.rfind("DSP ", 0) == 0) && piece.find('%') != std::string::npos;
            if (!bar) {
                continue;
            }
            EXPECT_LT(piece.size(), 200u) << piece;
            wide += piece.find("[###") != std::string::npos ? 1 : 0;
            if (piece.rfind("DSP ", 0) == 0) {
                ++dspBars;
                EXPECT_LT(piece.size(), 20u) << "[" << piece << "]";
            }
        }
        EXPECT_GT(wide, 0);
        EXPECT_GT(dspBars, 0);
        EXPECT_NE(text.find("DSP 100%"), std::string::npos) << text;
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
