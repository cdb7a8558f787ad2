// Start-up never fails silently: a lock that cannot be made is reported
// with its path and reason, and a second copy brings the first to the front.
#include "ExitStatus.h"
#include "InstanceLock.h"
#include "ProcessProbe.h"
#include "Startup.h"
#include "clsEnviron.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uid_t Nobody = 65534;

class TempFolder {
public:
    TempFolder()
    {
        char tmpl[] = "/tmp/rx77lockXXXXXX";
        path = mkdtemp(tmpl) != nullptr ? tmpl : "";
    }
    ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Join(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// XDG_RUNTIME_DIR as a case sets it, put back afterwards.
class RuntimeVariable {
public:
    explicit RuntimeVariable(const char* value)
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            saved = old;
        }
        if (value != nullptr) {
            setenv("XDG_RUNTIME_DIR", value, 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    ~RuntimeVariable()
    {
        if (saved.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        }
    }
    RuntimeVariable(const RuntimeVariable&) = delete;
    RuntimeVariable& operator=(const RuntimeVariable&) = delete;

private:
    std::string saved;
};

// A lock folder as a case leaves it: the runtime folder (or, when the case
// names none, the fallback folder under base) and what is wrong with it.
struct LockCase {
    const char* name;
    bool runtime;                                     // the runtime folder, else the fallback
    std::function<void(const std::string&)> spoil;    // makes the folder wrong (it exists, 0700, ours)
    const char* reason;                               // part of the problem text
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.name; }

class LockFolder : public testing::TestWithParam<LockCase> {};

TEST_P(LockFolder, IsRefusedWithPathAndReason)
{
    const LockCase& c = GetParam();
    TempFolder base;
    const std::string folder = c.runtime ? base.Join("runtime") : base.Join("rx77nova-" + std::to_string(getuid()));
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    c.spoil(folder);
    RuntimeVariable variable(c.runtime ? folder.c_str() : nullptr);

    InstanceLock lock("Test Lock", base.path);
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(lock.GetState(), InstanceLock::State::Failed);
    EXPECT_NE(lock.Problem().find(folder), std::string::npos) << lock.Problem();
    EXPECT_NE(lock.Problem().find(c.reason), std::string::npos) << lock.Problem();
}

INSTANTIATE_TEST_SUITE_P(
    StartupGuard, LockFolder,
    testing::Values(
        LockCase {"runtime_missing", true, [](const std::string& f) { rmdir(f.c_str()); }, "No such file"},
        LockCase {"runtime_open_to_others", true, [](const std::string& f) { chmod(f.c_str(), 0755); },
                  "mode 0755"},
        LockCase {"runtime_of_another_user", true, [](const std::string& f) { (void)!chown(f.c_str(), Nobody, Nobody); },
                  "belongs to user 65534"},
        LockCase {"runtime_a_link", true,
                  [](const std::string& f) {
                      rmdir(f.c_str());
                      (void)!symlink("/tmp", f.c_str());
                  },
                  "symbolic link"},
        LockCase {"runtime_a_file", true,
                  [](const std::string& f) {
                      rmdir(f.c_str());
                      close(open(f.c_str(), O_CREAT | O_WRONLY, 0600));
                  },
                  "not a folder"},
        LockCase {"fallback_made_by_another_user", false,
                  [](const std::string& f) { (void)!chown(f.c_str(), Nobody, Nobody); }, "belongs to user 65534"},
        LockCase {"fallback_open_to_others", false, [](const std::string& f) { chmod(f.c_str(), 0777); },
                  "mode 0777"}),
    [](const testing::TestParamInfo<LockCase>& info) { return std::string(info.param.name); });

TEST(StartupGuard, PrivateFoldersHoldTheLock)
{
    TempFolder base;
    {
        RuntimeVariable variable(nullptr);
        InstanceLock lock("Test Lock", base.path);  // the fallback folder is made, 0700
        EXPECT_TRUE(lock.Held()) << lock.Problem();
        EXPECT_TRUE(lock.Problem().empty());
        struct stat st {};
        ASSERT_EQ(lstat(base.Join("rx77nova-" + std::to_string(getuid())).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        InstanceLock second("Test Lock", base.path);
        EXPECT_EQ(second.GetState(), InstanceLock::State::HeldElsewhere);
        EXPECT_TRUE(second.Problem().empty());  // another copy is no problem to report
    }
    ASSERT_EQ(mkdir(base.Join("runtime").c_str(), 0700), 0);
    RuntimeVariable variable(base.Join("runtime").c_str());
    InstanceLock lock("Test Lock", base.path);
    EXPECT_TRUE(lock.Held()) << lock.Problem();
    EXPECT_EQ(lock.Path(), base.Join("runtime/Test Lock.lock"));
}

// A copy of the program with its standard error on a pipe.
struct Program {
    pid_t pid = -1;
    int err = -1;
    int in = -1;  // its standard input when asked to keep one open, else -1
};

// Starts the program with args, the variables in env set and those in unset
// removed; keepInput: its standard input a pipe that stays open (a terminal
// question then waits), otherwise /dev/null.
Program Start(const std::vector<std::pair<std::string, std::string>>& env, const std::vector<std::string>& args = {},
              bool keepInput = false, const std::vector<std::string>& unset = {})
{
    int pipeFds[2];
    int inFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) != 0 || (keepInput && pipe2(inFds, O_CLOEXEC) != 0)) {
        return {};
    }
    std::vector<char*> argv {const_cast<char*>(RX_PROGRAM)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        for (const std::string& name : unset) {
            unsetenv(name.c_str());
        }
        dup2(pipeFds[1], 2);
        const int null = open("/dev/null", O_RDWR);
        dup2(keepInput ? inFds[0] : null, 0);
        dup2(null, 1);
        execv(RX_PROGRAM, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (keepInput) {
        close(inFds[0]);
    }
    return {pid, pipeFds[0], inFds[1]};
}

// Reads standard error until it holds text or ends (or the time is up).
std::string ReadErrorUntil(int fd, const std::string& text, int ms)
{
    std::string said;
    pollfd p {fd, POLLIN, 0};
    while (said.find(text) == std::string::npos && poll(&p, 1, ms) > 0) {
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n <= 0) {
            break;
        }
        said.append(buffer, static_cast<size_t>(n));
    }
    return said;
}

// The first copy has built its windows (and listens for a second copy
// before that); nothing outside the process announces it, so look.
bool WaitForWorker(pid_t pid)
{
    for (int waited = 0; waited < 30000; waited += 10) {
        if (HasWorkerThread(pid)) {
            return true;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return false;
        }
        usleep(10000);
    }
    return false;
}

int ExitCode(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(StartupGuard, ProgramSaysWhyTheLockCannotBeMadeAndFails)
{
    TempFolder base;
    const std::string runtime = base.Join("runtime");
    ASSERT_EQ(mkdir(runtime.c_str(), 0755), 0);
    Program copy = Start({{"XDG_RUNTIME_DIR", runtime}});
    ASSERT_GT(copy.pid, 0);
    const std::string said = ReadErrorUntil(copy.err, "mode 0755", 30000);
    EXPECT_NE(said.find("Cannot start"), std::string::npos) << said;
    EXPECT_NE(said.find(runtime), std::string::npos) << said;
    EXPECT_NE(said.find("mode 0755"), std::string::npos) << said;
    // The message box waits for the user; the session's end closes it.
    kill(copy.pid, SIGTERM);
    EXPECT_EQ(ExitCode(copy.pid), ExitStatus::LockFailed);
    close(copy.err);
}

TEST(StartupGuard, SecondCopyBringsTheFirstToTheFrontAndSaysSo)
{
    TempFolder base;
    const std::string runtime = base.Join("runtime");
    const std::string ports = base.Join("ports");
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(ports.c_str(), 0700), 0);
    const std::vector<std::pair<std::string, std::string>> env {{"XDG_RUNTIME_DIR", runtime},
                                                                {"RX77NOVA_PORT_DIR", ports}};
    Program first = Start(env);
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(WaitForWorker(first.pid));

    Program second = Start(env);
    const std::string said = ReadErrorUntil(second.err, "\n", 30000);
    EXPECT_EQ(ExitCode(second.pid), ExitStatus::SecondCopy);
    EXPECT_NE(said.find("is already running; its window has been brought to the front."), std::string::npos)
        << said;
    close(second.err);

    kill(first.pid, SIGTERM);
    EXPECT_EQ(ExitCode(first.pid), ExitStatus::Signalled);
    close(first.err);
}

// Without a display the window cannot start: one line that says why and the
// status for it, never the toolkit's abort. The toolkit's platform is the
// one it picks itself (QT_QPA_PLATFORM unset).
struct NoDisplayCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> set;
    std::vector<std::string> unset;
    const char* says;
};

void PrintTo(const NoDisplayCase& c, std::ostream* os) { *os << c.name; }

class NoDisplay : public testing::TestWithParam<NoDisplayCase> {};

TEST_P(NoDisplay, SaysWhyAndEndsWithItsStatus)
{
    TempFolder base;
    const std::string runtime = base.Join("runtime");
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    std::vector<std::pair<std::string, std::string>> env {{"XDG_RUNTIME_DIR", runtime},
                                                          {"RX77NOVA_PORT_DIR", base.path}};
    env.insert(env.end(), GetParam().set.begin(), GetParam().set.end());
    std::vector<std::string> unset {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};
    unset.insert(unset.end(), GetParam().unset.begin(), GetParam().unset.end());
    Program copy = Start(env, {}, false, unset);
    ASSERT_GT(copy.pid, 0);
    const std::string said = ReadErrorUntil(copy.err, "\x01 (all of it)", 60000);
    EXPECT_EQ(ExitCode(copy.pid), ExitStatus::NoDisplay) << said;
    EXPECT_EQ(said.rfind("rx77nova-update: cannot open a window: ", 0), 0u) << said;
    EXPECT_NE(said.find(GetParam().says), std::string::npos) << said;
    EXPECT_EQ(said.find("Aborted"), std::string::npos) << said;
    close(copy.err);
}

INSTANTIATE_TEST_SUITE_P(
    StartupGuard, NoDisplay,
    testing::Values(NoDisplayCase {"none_set", {}, {"DISPLAY"}, "no display is set"},
                    NoDisplayCase {"empty", {{"DISPLAY", ""}}, {}, "no display is set"},
                    NoDisplayCase {"server_gone", {{"DISPLAY", ":31999"}}, {},
                                   "the display \":31999\" cannot be reached"}),
    [](const testing::TestParamInfo<NoDisplayCase>& info) { return std::string(info.param.name); });

TEST(StartupGuard, StartupTexts)
{
    EXPECT_EQ(SecondCopyText("rx77nova-update", RunningCopy::Fronted),
              "rx77nova-update is already running; its window has been brought to the front.");
    EXPECT_EQ(SecondCopyText("rx77nova-update", RunningCopy::NotFronted),
              "rx77nova-update is already running; its window could not be brought to the front.");
    EXPECT_EQ(SecondCopyText("rx77nova-update", RunningCopy::InTerminal),
              "rx77nova-update is already running in a terminal, which has no window to bring to the front; "
              "one copy runs at a time.");
    EXPECT_NE(LockProblemText("/run/user/7: is a symbolic link").find("/run/user/7: is a symbolic link"),
              std::string::npos);
}

// The holder says which form it runs as; a copy that finds the lock held
// reads it. A new holder's word replaces what an ended one said.
TEST(StartupGuard, TheHolderSaysWhichFormRuns)
{
    TempFolder base;
    ASSERT_EQ(mkdir(base.Join("runtime").c_str(), 0700), 0);
    RuntimeVariable variable(base.Join("runtime").c_str());
    for (InstanceLock::Form form : {InstanceLock::Form::Window, InstanceLock::Form::Terminal}) {
        InstanceLock holder("Test Lock", base.path);
        ASSERT_TRUE(holder.Held()) << holder.Problem();
        InstanceLock second("Test Lock", base.path);
        ASSERT_EQ(second.GetState(), InstanceLock::State::HeldElsewhere);
        EXPECT_EQ(second.HolderForm(), InstanceLock::Form::Unknown) << "a word of an earlier holder was kept";
        EXPECT_TRUE(holder.SetHolderForm(form));
        EXPECT_EQ(second.HolderForm(), form);
        EXPECT_FALSE(second.SetHolderForm(InstanceLock::Form::Window)) << "a copy without the lock spoke for it";
        EXPECT_EQ(second.HolderForm(), form);
    }
}

// A window started while another copy runs says which form runs: a window
// is brought to the front (above); a terminal has none.
TEST(StartupGuard, SecondWindowSaysThatATerminalCopyRuns)
{
    TempFolder base;
    const std::string runtime = base.Join("runtime");
    const std::string ports = base.Join("ports");
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(ports.c_str(), 0700), 0);
    const std::vector<std::pair<std::string, std::string>> env {{"XDG_RUNTIME_DIR", runtime},
                                                                {"RX77NOVA_PORT_DIR", ports}};
    // The terminal form waits at its first question, its input open.
    Program terminal = Start(env, {"--port", "3"}, true);
    ASSERT_GT(terminal.pid, 0);
    // Read without taking the lock: what the holder said in its file.
    const std::string lockFile = runtime + "/" + clsEnviron::MutexName + ".lock";
    const auto said = [&lockFile] {
        std::string text(16, '\0');
        const int fd = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t n = fd < 0 ? 0 : read(fd, text.data(), text.size());
        if (fd >= 0) {
            close(fd);
        }
        return text.substr(0, n > 0 ? static_cast<size_t>(n) : 0);
    };
    for (int waited = 0; waited < 30000 && said() != "terminal\n"; waited += 10) {
        usleep(10000);
    }
    ASSERT_EQ(said(), "terminal\n");

    Program window = Start(env);
    const std::string answer = ReadErrorUntil(window.err, "\n", 30000);
    EXPECT_EQ(ExitCode(window.pid), ExitStatus::SecondCopy);
    EXPECT_NE(answer.find("is already running in a terminal, which has no window to bring to the front"),
              std::string::npos)
        << answer;
    EXPECT_EQ(answer.find("brought to the front."), std::string::npos) << answer;
    close(window.err);

    kill(terminal.pid, SIGTERM);
    close(terminal.in);
    EXPECT_NE(ExitCode(terminal.pid), 127);
    close(terminal.err);
}

} // namespace
