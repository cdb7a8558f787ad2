// Scene 10 keeps its text and adds why the port could not be opened, found
// at the real open of a real device.
#include "MainWindowFixture.h"

#include <QLineEdit>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

// A program ("cat") that holds a device the way a terminal program does,
// until it is ended.
class Holder {
public:
    explicit Holder(const std::string& device)
    {
        int started[2];
        int input[2];
        if (pipe2(started, O_CLOEXEC) != 0 || pipe(input) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
                _exit(127);
            }
            dup2(input[0], 0);
            execlp("cat", "cat", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(started[1]);
        close(input[0]);
        char c;
        ready = read(started[0], &c, 1) == 0;  // the pipe closes when cat runs
        close(started[0]);
        toCat = input[1];
    }
    ~Holder()
    {
        if (pid > 0) {
            close(toCat);
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    pid_t pid = -1;
    bool ready = false;

private:
    int toCat = -1;
};

class PortCause : public WindowsFixture {
protected:
    void SetUp() override
    {
        WindowsFixture::SetUp();
        device = ports.AddPty(1);
        Create(false);
        OpenMain();
        Tick();
    }

    // OK with the number typed; the lines of the scene that follows.
    std::vector<ShownLine> TryPort(const QString& number)
    {
        PortBox()->lineEdit()->setText(number);
        Ok()->click();
        EXPECT_TRUE(TickUntilScene(Scene::PortUnavailable, 30000));
        EXPECT_EQ(beeps, 1);
        return ShownLines(Message());
    }

    std::string device;
};

// The checklist's six lines stay; the seventh says why.
TEST_F(PortCause, PortInUseNamesTheProgramAndItsProcess)
{
    Holder cat(device);
    ASSERT_TRUE(cat.ready);
    const std::vector<ShownLine> lines = TryPort(QStringLiteral("1"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6].text, QStringLiteral("Cause: COM1 (%1) is in use by cat (process %2).")
                                 .arg(QString::fromStdString(device))
                                 .arg(cat.pid));
    EXPECT_EQ(lines[6].color, QColor(Qt::black));
}

TEST_F(PortCause, NumberWithoutDeviceListsThePresentPorts)
{
    const std::vector<ShownLine> lines = TryPort(QStringLiteral("5"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6].text, QStringLiteral("Cause: no serial device is numbered COM5. Present: COM1 (%1).")
                                 .arg(QString::fromStdString(device)));
}

TEST_F(PortCause, DeviceThatIsNoTerminal)
{
    ASSERT_EQ(symlink("/dev/null", (ports.Path() + "/com2").c_str()), 0);
    const std::vector<ShownLine> lines = TryPort(QStringLiteral("2"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6].text, QStringLiteral("Cause: COM2 (/dev/null) is not a serial device."));
}

// Retry and a port that opens: the cause goes with the scene.
TEST_F(PortCause, GoesWithTheScene)
{
    (void)TryPort(QStringLiteral("5"));
    Ok()->click();  // Retry
    ASSERT_EQ(form->CurrentScene(), Scene::PortEntry);
    EXPECT_EQ(ShownLines(Message()).size(), 3u);
}

} // namespace
