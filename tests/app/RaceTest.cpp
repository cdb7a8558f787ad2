// Whole copies of the program racing for its single-instance lock: many
// copies started at once, and a copy killed outright while it holds the
// lock. Every copy of one test shares a fresh runtime directory, so the lock
// they meet is theirs alone.
#include "ExitStatus.h"
#include "ProcessProbe.h"
#include "TempDir.h"
#include "clsEnviron.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Only failures wait this long; generous enough for a sanitizer build
// starting twenty copies on two cores.
constexpr milliseconds Bound{60000};
constexpr milliseconds Poll{2};

constexpr int Stampede = 20;


// The exit code of an ended child, or minus the signal that ended it.
int Code(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}


// The holder of an flock on the file with the given device and inode, from
// the kernel's list of locks; 0 when nobody holds one.
pid_t FlockHolder(const struct stat& file)
{
    char id[64];
    std::snprintf(id, sizeof(id), "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        fields >> number >> kind >> mode >> access >> pid >> where;
        if (kind == "FLOCK" && where == id) {
            return static_cast<pid_t>(pid);
        }
    }
    return 0;
}

class Race : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Ok());
        runtime = dir.Join("runtime");
        const std::string ports = dir.Join("ports");  // empty: no serial port at all
        ASSERT_TRUE(dir.MakeFolder("runtime"));
        ASSERT_TRUE(dir.MakeFolder("ports"));
        environment = Environment(
            {{"XDG_RUNTIME_DIR", runtime}, {"RX77NOVA_PORT_DIR", ports}, {"QT_QPA_PLATFORM", "offscreen"}});
    }

    // No copy outlives its test, whatever failed.
    void TearDown() override
    {
        for (const pid_t pid : live) {
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
        }
        live.clear();
    }

    // This process's environment with the given variables set.
    static std::vector<std::string> Environment(const std::vector<std::pair<std::string, std::string>>& set)
    {
        std::vector<std::string> out;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            bool replaced = false;
            for (const auto& [name, value] : set) {
                replaced = replaced || text.rfind(name + "=", 0) == 0;
            }
            if (!replaced) {
                out.push_back(text);
            }
        }
        for (const auto& [name, value] : set) {
            out.push_back(name + "=" + value);
        }
        return out;
    }

    // Forks the copies first, each held at a gate, then opens the gate so
    // that they all run the program at once. A copy's standard output goes
    // to outFd when one is given.
    std::vector<pid_t> StartTogether(const char* program, int count, int outFd = -1)
    {
        std::vector<char*> argv{const_cast<char*>(program), nullptr};
        std::vector<char*> envp;
        for (auto& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        int gate[2];
        if (pipe2(gate, O_CLOEXEC) != 0) {
            return {};
        }
        std::vector<pid_t> started;
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                close(gate[1]);
                if (outFd >= 0) {
                    dup2(outFd, 1);
                }
                char c;
                while (read(gate[0], &c, 1) < 0 && errno == EINTR) {
                }
                execve(program, argv.data(), envp.data());
                _exit(127);
            }
            if (pid < 0) {
                break;
            }
            started.push_back(pid);
            live.push_back(pid);
        }
        close(gate[0]);
        close(gate[1]);  // end of file at the gate: every copy goes now
        return started;
    }

    pid_t StartOne()
    {
        const auto started = StartTogether(RX_PROGRAM, 1);
        return started.empty() ? -1 : started.front();
    }

    void Forget(pid_t pid)
    {
        std::erase(live, pid);
    }

    // Reaps the child once it has ended; nothing when it is still running
    // after the bound.
    std::optional<int> WaitExit(pid_t pid)
    {
        const auto deadline = Clock::now() + Bound;
        do {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                Forget(pid);
                return Code(status);
            }
            std::this_thread::sleep_for(Poll);
        } while (Clock::now() < deadline);
        return std::nullopt;
    }

    // Waits until all but `staying` of the copies have ended, or the bound
    // has passed; gives the exit codes of the ended ones and the pids of the
    // others.
    void WaitForAllBut(std::vector<pid_t> copies, std::size_t staying, std::vector<int>& codes,
                       std::vector<pid_t>& running)
    {
        const auto deadline = Clock::now() + Bound;
        while (copies.size() > staying && Clock::now() < deadline) {
            for (auto it = copies.begin(); it != copies.end();) {
                int status = 0;
                if (waitpid(*it, &status, WNOHANG) == *it) {
                    codes.push_back(Code(status));
                    Forget(*it);
                    it = copies.erase(it);
                } else {
                    ++it;
                }
            }
            std::this_thread::sleep_for(Poll);
        }
        running = copies;
    }

    // Still running, tested without reaping it.
    static bool Running(pid_t pid)
    {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }

    // True once the copy has built its windows (its tick worker's thread,
    // named after its class, is there); false when it ends first.
    static bool WaitForWindows(pid_t pid)
    {
        const auto deadline = Clock::now() + Bound;
        do {
            if (HasWorkerThread(pid)) {
                return true;
            }
            if (!Running(pid)) {
                return false;
            }
            std::this_thread::sleep_for(Poll);
        } while (Clock::now() < deadline);
        return false;
    }

    // The copies leave one file in the runtime directory: the lock, named
    // after the mutex. Empty when it is not (yet) there.
    std::string LockFile() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(runtime, error)) {
            if (entry.path().filename().string().find(clsEnviron::MutexName) != std::string::npos) {
                return entry.path();
            }
        }
        return {};
    }

    pid_t LockHolder() const
    {
        struct stat file {};
        const std::string path = LockFile();
        return !path.empty() && stat(path.c_str(), &file) == 0 ? FlockHolder(file) : 0;
    }

    pid_t WaitForLockHolder() const
    {
        const auto deadline = Clock::now() + Bound;
        do {
            if (const pid_t holder = LockHolder(); holder != 0) {
                return holder;
            }
            std::this_thread::sleep_for(Poll);
        } while (Clock::now() < deadline);
        return 0;
    }

    // What the lock helper says about the lock now: "first" when it could
    // take it, "second" when someone holds it.
    std::string Probe()
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            return "no pipe";
        }
        const auto started = StartTogether(RX_GUARD_PROBE, 1, out[1]);
        close(out[1]);
        std::string said;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
            said += c;
        }
        close(out[0]);
        if (started.empty() || WaitExit(started.front()) != std::optional<int>(0)) {
            return "probe failed";
        }
        return said;
    }

    // The running copy ends the orderly way on SIGTERM, with the status of
    // a request to end, and takes the lock with it.
    void EndWithTerminate(pid_t pid)
    {
        kill(pid, SIGTERM);
        EXPECT_EQ(WaitExit(pid), std::optional<int>(ExitStatus::Signalled));
        EXPECT_EQ(Probe(), "first");
    }

    TempDir dir;
    std::string runtime;
    std::vector<std::string> environment;
    std::vector<pid_t> live;
};

TEST_F(Race, TwentyCopiesAtOnceLeaveExactlyOneRunning)
{
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto copies = StartTogether(RX_PROGRAM, Stampede);
        ASSERT_EQ(copies.size(), static_cast<std::size_t>(Stampede));

        std::vector<int> codes;
        std::vector<pid_t> running;
        WaitForAllBut(copies, 1, codes, running);
        EXPECT_EQ(codes, std::vector<int>(Stampede - 1, ExitStatus::SecondCopy));  // each refused
        ASSERT_EQ(running.size(), 1u);

        const pid_t survivor = running.front();
        ASSERT_TRUE(WaitForWindows(survivor));
        EXPECT_TRUE(Running(survivor));
        EXPECT_EQ(LockHolder(), survivor);
        EXPECT_EQ(Probe(), "second");
        EndWithTerminate(survivor);
    }
}

// A copy killed with SIGKILL never runs its orderly end; the kernel drops
// its lock all the same. Nothing outside the windows can start an update,
// so a copy is killed at the points it can be driven to from here: holding
// the lock on its way up, and up with its worker ticking.
struct KillCase {
    const char* name;
    int copies;          // started at once; the one holding the lock is killed
    bool windowsUp;      // killed once its windows are built, not as soon as it holds the lock
};

void PrintTo(const KillCase& c, std::ostream* os) { *os << c.name; }

class KilledHolder : public Race, public testing::WithParamInterface<KillCase> {};

TEST_P(KilledHolder, DoesNotBlockTheNextStart)
{
    const KillCase& c = GetParam();
    const auto copies = StartTogether(RX_PROGRAM, c.copies);
    ASSERT_EQ(copies.size(), static_cast<std::size_t>(c.copies));

    const pid_t holder = WaitForLockHolder();
    ASSERT_NE(holder, 0);
    ASSERT_TRUE(std::find(copies.begin(), copies.end(), holder) != copies.end()) << "held by " << holder;
    // The refused copies go first, so none of them comes late to a free lock.
    std::vector<int> codes;
    std::vector<pid_t> running;
    WaitForAllBut(copies, 1, codes, running);
    EXPECT_EQ(codes, std::vector<int>(static_cast<std::size_t>(c.copies - 1), ExitStatus::SecondCopy));
    ASSERT_EQ(running, std::vector<pid_t>{holder});
    if (c.windowsUp) {
        ASSERT_TRUE(WaitForWindows(holder));
    }

    kill(holder, SIGKILL);
    EXPECT_EQ(WaitExit(holder), std::optional<int>(-SIGKILL));

    const pid_t next = StartOne();
    ASSERT_GT(next, 0);
    ASSERT_TRUE(WaitForWindows(next));
    EXPECT_TRUE(Running(next));
    EXPECT_EQ(LockHolder(), next);
    EXPECT_EQ(Probe(), "second");
    EndWithTerminate(next);
}

INSTANTIATE_TEST_SUITE_P(Race, KilledHolder,
                         testing::Values(KillCase{"on_its_way_up", 1, false},
                                         KillCase{"with_its_worker_ticking", 1, true},
                                         KillCase{"the_survivor_of_twenty", Stampede, true}),
                         [](const testing::TestParamInfo<KillCase>& info) { return std::string(info.param.name); });

} // namespace
