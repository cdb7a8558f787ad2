#include "RadioArgs.h"
#include "RadioClient.h"
#include "RadioSupport.h"
#include "TempDir.h"

#include "FirmImages.h"
#include "Targets.h"
#include "VersionCheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <ostream>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct ArgsCase {
    std::string name;
    std::vector<std::string> args;
    bool ok;
    std::string errorPart;  // for the refused ones
};

void PrintTo(const ArgsCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToolArgs : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(ToolArgs, AcceptedOrRefusedWithReason)
{
    const ArgsCase& c = GetParam();
    RadioArgs parsed;
    std::string error;
    EXPECT_EQ(ParseRadioArgs(c.args, parsed, error), c.ok) << error;
    if (!c.ok) {
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ToolArgs,
    ::testing::Values(ArgsCase{"minimal", {"--port-dir", "/tmp/p", "--com", "3"}, true, ""},
                      ArgsCase{"help", {"--help"}, true, ""},
                      ArgsCase{"no_com", {"--port-dir", "/tmp/p"}, false, "required"},
                      ArgsCase{"com_0", {"--port-dir", "/tmp/p", "--com", "0"}, false, "1 to 256"},
                      ArgsCase{"com_257", {"--port-dir", "/tmp/p", "--com", "257"}, false, "1 to 256"},
                      ArgsCase{"com_not_a_number", {"--port-dir", "/tmp/p", "--com", "3x"}, false, "1 to 256"},
                      ArgsCase{"com_without_value", {"--port-dir", "/tmp/p", "--com"}, false, "needs a value"},
                      ArgsCase{"unknown_firmware", {"--port-dir", "d", "--com", "1", "--firmware", "ancient"}, false,
                               "--firmware ancient"},
                      ArgsCase{"unknown_point", {"--port-dir", "d", "--com", "1", "--fault", "nowhere:silent"}, false,
                               "nowhere"},
                      ArgsCase{"unknown_kind", {"--port-dir", "d", "--com", "1", "--fault", "ident:loud"}, false,
                               "unknown kind"},
                      ArgsCase{"fault_without_kind", {"--port-dir", "d", "--com", "1", "--fault", "ident"}, false,
                               "POINT:KIND"},
                      ArgsCase{"block_zero", {"--port-dir", "d", "--com", "1", "--fault", "block0:noise"}, false,
                               "block0"},
                      ArgsCase{"unknown_argument", {"--port-dir", "d", "--com", "1", "--loud"}, false, "--loud"}),
    [](const auto& info) { return info.param.name; });

TEST(ToolArgsOptions, EveryOptionLands)
{
    RadioArgs parsed;
    std::string error;
    ASSERT_TRUE(ParseRadioArgs({"--port-dir", "/tmp/p", "--com", "256", "--firmware", "refused", "--paced",
                                "--echo-writer", "--system-area-matches", "--fault", "block 7:late=250", "--fault",
                                "dsp.sum:wrong*"},
                               parsed, error))
        << error;
    EXPECT_EQ(parsed.portDir, "/tmp/p");
    EXPECT_EQ(parsed.com, 256);
    EXPECT_EQ(parsed.options.cpu, CpuFirmware::Older);
    EXPECT_EQ(parsed.options.variantMark, 'J');
    EXPECT_TRUE(parsed.options.paced);
    EXPECT_TRUE(parsed.options.echoWriter);
    EXPECT_TRUE(parsed.options.systemAreaMatches);
    ASSERT_EQ(parsed.options.faults.size(), 2u);
    EXPECT_EQ(parsed.options.faults[0].point, "block 7");
    EXPECT_EQ(parsed.options.faults[0].kind, FaultKind::Late);
    EXPECT_EQ(parsed.options.faults[0].lateMs, 250);
    EXPECT_FALSE(parsed.options.faults[0].everyTime);
    EXPECT_EQ(parsed.options.faults[1].point, "dsp.sum");
    EXPECT_EQ(parsed.options.faults[1].kind, FaultKind::WrongByte);
    EXPECT_TRUE(parsed.options.faults[1].everyTime);
}

// The tool itself, started as a user would start it.
class Tool {
public:
    explicit Tool(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> all = {RX_RADIO_TOOL};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, RX_RADIO_TOOL, &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }
    ~Tool()
    {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(outFd);
        close(errFd);
    }

    // Reads until the text holds `what` or the time is up.
    std::string ReadUntil(int fd, const std::string& what, int ms)
    {
        std::string& text = fd == outFd ? outText : errText;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (text.find(what) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }

    // The exit status, or -1 when it has not ended within `ms`.
    int Wait(int ms)
    {
        for (int waited = 0; waited <= ms; waited += 10) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            usleep(10000);
        }
        return -1;
    }

    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    bool exited = false;
    std::string outText;
    std::string errText;
};

TEST(ToolRun, BadArgumentsExitTwoWithUsage)
{
    Tool tool({"--port-dir", "/tmp", "--com", "0"});
    ASSERT_GT(tool.pid, 0);
    EXPECT_EQ(tool.Wait(5000), 2);
    const std::string err = tool.ReadUntil(tool.errFd, "usage:", 1000);
    EXPECT_NE(err.find("1 to 256"), std::string::npos) << err;
    EXPECT_NE(err.find("usage: rx77nova-radio"), std::string::npos) << err;
}

TEST(ToolRun, ServesTheLinkUntilSigterm)
{
    const TempDir folder;
    ASSERT_TRUE(folder.Ok());
    const std::string& dir = folder.Path();
    {
        Tool tool({"--port-dir", dir, "--com", "7", "--firmware", "same"});
        ASSERT_GT(tool.pid, 0);
        const std::string first = tool.ReadUntil(tool.outFd, "\n", 5000);
        ASSERT_EQ(first.rfind("COM7 /dev/pts/", 0), 0u) << first;
        const std::string device = first.substr(5, first.find('\n') - 5);
        char target[256] = {};
        ASSERT_GT(readlink((dir + "/com7").c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(device, target);

        {
            RadioClient client(dir + "/com7");
            const Bytes ident = AskIdentity(client);
            ASSERT_EQ(ident.size(), 17u);
            for (const int target : {TargetCpu, TargetDsp}) {
                bool invalid = false;
                bool refused = false;
                EXPECT_EQ(CompareVersion(ident.data(), target, invalid, refused, BuiltInFirmware()), 0);
            }
        }
        kill(tool.pid, SIGUSR1);  // switched off and on: same line, it was not hung up
        EXPECT_NE(tool.ReadUntil(tool.outFd, "power cycled: COM7 " + device, 5000)
                      .find("power cycled: COM7 " + device),
                  std::string::npos);
        kill(tool.pid, SIGTERM);
        EXPECT_EQ(tool.Wait(5000), 0);
        const std::string out = tool.ReadUntil(tool.outFd, "state:", 2000);
        EXPECT_NE(out.find("identity answers: 1"), std::string::npos) << out;
        EXPECT_NE(out.find("main processor flash: equals the built-in image"), std::string::npos) << out;
    }
    struct stat st{};
    EXPECT_NE(lstat((dir + "/com7").c_str(), &st), 0);  // the link went with the radio
}

}  // namespace
