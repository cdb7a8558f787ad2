#include "ExitStatus.h"
#include "OvlTable.h"
#include "Platform.h"
#include "Startup.h"
#include "clsGTex.h"

#include "EnvVariable.h"
#include "PortDirVariable.h"
#include "ProcessProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Shown {
    int count = 0;
    std::string text;
    std::string caption;
};

FatalDisplay Capture(Shown& shown)
{
    return [&shown](const std::string& text, const std::string& caption) {
        ++shown.count;
        shown.text = text;
        shown.caption = caption;
    };
}

struct MarkerCase {
    const char* name;
    std::vector<const char*> lines;
    bool intact;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.name; }

class CatalogueMarker : public testing::TestWithParam<MarkerCase> {};

TEST_P(CatalogueMarker, IsCheckedExactly)
{
    clsGTex gtex;
    gtex.SetLines(GetParam().lines.data(), static_cast<int>(GetParam().lines.size()));
    Shown shown;
    EXPECT_EQ(CheckCatalogue(gtex, Capture(shown)), GetParam().intact);
    if (GetParam().intact) {
        EXPECT_EQ(shown.count, 0);
        return;
    }
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(shown.text, "Fatal error !\nCannot open OVL file.\nInstall this application again !");
    EXPECT_EQ(shown.caption, "app_tests");  // the file name alone, no folder
}

INSTANTIATE_TEST_SUITE_P(
    Startup, CatalogueMarker,
    testing::Values(MarkerCase{"intact", {"#Sys_Ovl", "OVL", "#End_Of_Ovl"}, true},
                    MarkerCase{"lower_case", {"#Sys_Ovl", "ovl", "#End_Of_Ovl"}, false},
                    MarkerCase{"trailing_blank", {"#Sys_Ovl", "OVL ", "#End_Of_Ovl"}, false},
                    MarkerCase{"missing_key", {"#Sys_Ovx", "OVL", "#End_Of_Ovl"}, false},
                    MarkerCase{"key_is_last_line", {"#Sys_Ovl"}, false}),
    [](const testing::TestParamInfo<MarkerCase>& info) { return std::string(info.param.name); });

TEST(Startup, BuiltInCataloguePassesTheCheck)
{
    clsGTex gtex;
    gtex.SetLines(OvlTable, OvlTableCount);
    Shown shown;
    EXPECT_TRUE(CheckCatalogue(gtex, Capture(shown)));
    EXPECT_EQ(shown.count, 0);
}

// Runs a program with the given runtime directory; returns its pid, with its
// standard input and output on pipes.
struct Child {
    pid_t pid = -1;
    int in = -1;
    int out = -1;
};

Child Spawn(const std::string& program, const std::vector<std::string>& args)
{
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    return {pid, toChild[1], fromChild[0]};
}

std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::string ProbeOnce(const std::string& probe)
{
    Child c = Spawn(probe, {});
    close(c.in);
    const std::string said = ReadLine(c.out);
    close(c.out);
    EXPECT_EQ(Wait(c.pid), 0);
    return said;
}

// Every test has a runtime directory of its own, so the lock it meets is
// its alone.
class Guard : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.Ok()); }

    TempDir dir;
    EnvVariable runtime {"XDG_RUNTIME_DIR", dir.Path()};
    std::string probe = RX_GUARD_PROBE;
    std::string program = RX_PROGRAM;
};

TEST_F(Guard, SecondCopyIsRefusedWhileTheFirstRuns)
{
    Child first = Spawn(probe, {"hold"});
    ASSERT_EQ(ReadLine(first.out), "first");
    EXPECT_EQ(ProbeOnce(probe), "second");

    // The program itself ends at once, with the status of a second copy,
    // and nothing on standard output.
    Child copy = Spawn(program, {});
    close(copy.in);
    char c;
    EXPECT_EQ(read(copy.out, &c, 1), 0);  // says nothing
    EXPECT_EQ(Wait(copy.pid), ExitStatus::SecondCopy);
    close(copy.out);

    close(first.in);
    EXPECT_EQ(Wait(first.pid), 0);
    close(first.out);
    EXPECT_EQ(ProbeOnce(probe), "first");  // released on a normal end
}

TEST_F(Guard, KilledHolderDoesNotBlockTheNextStart)
{
    Child first = Spawn(probe, {"hold"});
    ASSERT_EQ(ReadLine(first.out), "first");
    kill(first.pid, SIGKILL);
    EXPECT_EQ(Wait(first.pid), -SIGKILL);
    close(first.in);
    close(first.out);
    EXPECT_EQ(ProbeOnce(probe), "first");
}


bool WaitForWindows(pid_t pid, int ms)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if (HasWorkerThread(pid)) {
            return true;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return false;  // ended before showing anything
        }
        usleep(10000);
    }
    return false;
}

// The session's end (SIGTERM), an interrupt (SIGINT) and a hang-up (SIGHUP)
// reach the windows as a close request: the program then ends the orderly
// way, with the status of a request to end, while the worker ticks.
struct EndSignalCase {
    const char* name;
    int signal;
};

void PrintTo(const EndSignalCase& c, std::ostream* os) { *os << c.name; }

class ProgramEnd : public Guard, public testing::WithParamInterface<EndSignalCase> {
protected:
    void SetUp() override
    {
        Guard::SetUp();
        ASSERT_TRUE(dir.MakeFolder("ports"));  // empty: no serial port at all
    }
    PortDirVariable ports {dir.Join("ports")};
};

TEST_P(ProgramEnd, EndsWithTheRequestsStatusWhileTheWorkerTicks)
{
    for (int run = 0; run < 3; ++run) {
        Child program = Spawn(RX_PROGRAM, {});
        close(program.in);
        ASSERT_TRUE(WaitForWindows(program.pid, 20000));
        usleep(static_cast<useconds_t>(20000 * run));  // at different points of the ticking
        kill(program.pid, GetParam().signal);
        EXPECT_EQ(Wait(program.pid), ExitStatus::Signalled);
        close(program.out);
        EXPECT_EQ(ProbeOnce(probe), "first");  // the lock went with it
    }
}

INSTANTIATE_TEST_SUITE_P(Guard, ProgramEnd,
                         testing::Values(EndSignalCase{"terminate", SIGTERM}, EndSignalCase{"interrupt", SIGINT},
                                         EndSignalCase{"hang_up", SIGHUP},
                                         EndSignalCase{"quit", SIGQUIT}),
                         [](const testing::TestParamInfo<EndSignalCase>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // the fatal caption comes from the application's path
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
