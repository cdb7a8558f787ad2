// A program killed while it held the radio's port leaves the terminal
// exclusive; the radio's power cycle lets an unprivileged user in again.
#include "RadioSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

// The terminal's exclusive flag, as the kernel holds it; -1 when unreadable.
int ExclusiveFlag(const std::string& device)
{
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    int flag = -1;
    if (ioctl(fd, TIOCGEXCL, &flag) != 0) {
        flag = -1;
    }
    close(fd);
    return flag;
}

// What an unprivileged user's open of device gives: 0, or the errno.
int OpenAsNobody(const std::string& device)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(Nobody) != 0 || setuid(Nobody) != 0) {
            _exit(125);
        }
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A process that takes the port the way the program does (lock, then
// exclusive use) and is killed while it holds it.
void TakeAndKill(const std::string& device)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0;
        const char said = held ? 'y' : 'n';
        (void)!write(ready[1], &said, 1);
        for (;;) {
            pause();
        }
    }
    close(ready[1]);
    char said = 0;
    ASSERT_EQ(read(ready[0], &said, 1), 1);
    close(ready[0]);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_EQ(said, 'y');
}

TEST(PowerCycle, LetsAnUnprivilegedUserOpenThePortAfterAKill)
{
    RadioOptions options;
    const auto radio = StartRadio(options);
    ASSERT_NE(radio, nullptr);
    const std::string device = radio->DevicePath();
    ASSERT_EQ(chmod(device.c_str(), 0666), 0);  // the user may use it, as a dialout member may
    ASSERT_EQ(OpenAsNobody(device), 0);

    TakeAndKill(device);
    EXPECT_EQ(ExclusiveFlag(device), 1);
    EXPECT_EQ(OpenAsNobody(device), EBUSY);

    radio->PowerCycle();
    EXPECT_EQ(ExclusiveFlag(device), 0);
    EXPECT_EQ(OpenAsNobody(device), 0);
}

} // namespace
