// The sleep and shutdown inhibitor against a stand-in logind, and the
// request to the desktop not to log out against a stand-in desktop portal,
// each on a private bus that the test starts; without a bus or without the
// service the program goes on without them.
#include "PortalInhibitor.h"
#include "SleepInhibitor.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// logind's Manager as far as the inhibitor uses it: Inhibit hands out one
// end of a pipe; the lock is released when every copy of it is closed,
// which the other end shows.
class StandInLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~StandInLogind() override
    {
        for (const int fd : watched) {
            close(fd);
        }
    }

    struct Call {
        QString what, who, why, mode;
    };
    std::vector<Call> calls;

    // The lock of call i is still held by someone.
    bool Held(size_t i) const
    {
        pollfd p {watched.at(i), POLLIN, 0};
        return poll(&p, 1, 0) == 0;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        calls.push_back({what, who, why, mode});
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return {};
        }
        watched.push_back(ends[0]);
        QDBusUnixFileDescriptor handed(ends[1]);  // a copy goes out with the answer
        close(ends[1]);
        return handed;
    }

private:
    std::vector<int> watched;
};

// One Inhibit request of the portal: held until the caller closes it.
class StandInRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    bool closed = false;

public slots:
    void Close() { closed = true; }
};

// The desktop portal's Inhibit as far as the program uses it: each call
// gets a request object of its own, whose path is the answer.
class StandInPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    explicit StandInPortal(const QString& connectionName) : connectionName(connectionName) {}

    struct Call {
        QString window;
        uint flags;
        QVariantMap options;
    };
    std::vector<Call> calls;
    std::vector<std::unique_ptr<StandInRequest>> requests;

public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options)
    {
        calls.push_back({window, flags, options});
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(requests.size());
        requests.push_back(std::make_unique<StandInRequest>());
        QDBusConnection(connectionName)
            .registerObject(path, requests.back().get(), QDBusConnection::ExportAllSlots);
        return QDBusObjectPath(path);
    }

private:
    QString connectionName;
};

namespace {

constexpr int Wait = 20000;

// A message bus of the test's own, standing in for the system bus.
class PrivateBus {
public:
    PrivateBus()
    {
        char tmpl[] = "/tmp/rx77busXXXXXX";
        dir = mkdtemp(tmpl) != nullptr ? tmpl : "";
        std::ofstream(dir + "/bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path="
            << dir << "/bus</listen><auth>EXTERNAL</auth>\n"
            << "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow receive_sender=\"*\"/><allow own=\"*\"/></policy>\n"
               "</busconfig>\n";
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 3);
            // Nothing of the test's output stays open in the bus.
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            const std::string config = "--config-file=" + dir + "/bus.conf";
            execlp("dbus-daemon", "dbus-daemon", config.c_str(), "--nofork", "--print-address=3",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
            address += c;  // the bus is up once it has said where
        }
        close(out[0]);
    }
    ~PrivateBus()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    std::string dir;
    std::string address;
    pid_t pid = -1;
};

class Inhibitor : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address.empty());
        // Each case is a process of its own: the system bus is looked up once.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
    }

    // The stand-in logind, on a connection of its own.
    void StartLogind()
    {
        QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address),
                                                                   QStringLiteral("logind"));
        ASSERT_TRUE(connection.isConnected());
        ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.login1")));
    }

    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("logind")); }

    PrivateBus bus;
    StandInLogind logind;
};

TEST_F(Inhibitor, HeldExactlyWhileWriting)
{
    StartLogind();
    SleepInhibitor inhibitor;
    inhibitor.SetWriting(false);
    EXPECT_TRUE(logind.calls.empty());

    inhibitor.SetWriting(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    ASSERT_EQ(logind.calls.size(), 1u);
    EXPECT_EQ(logind.calls[0].what, QStringLiteral("sleep:shutdown"));
    EXPECT_EQ(logind.calls[0].who, QStringLiteral("rx77nova-update"));
    EXPECT_EQ(logind.calls[0].why, QStringLiteral("Writing the radio's firmware"));
    EXPECT_EQ(logind.calls[0].mode, QStringLiteral("block"));
    EXPECT_TRUE(logind.Held(0));

    inhibitor.SetWriting(true);  // every tick says so again: still one lock
    EXPECT_EQ(logind.calls.size(), 1u);

    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !logind.Held(0); }, Wait));

    // The next processor, or the next run: taken again.
    inhibitor.SetWriting(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    EXPECT_EQ(logind.calls.size(), 2u);
}

TEST_F(Inhibitor, ReleasedWhenTheProgramEnds)
{
    StartLogind();
    {
        SleepInhibitor inhibitor;
        inhibitor.SetWriting(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !logind.Held(0); }, Wait));
}

// Writing ended before logind answered: the late lock is dropped at once.
TEST_F(Inhibitor, LateAnswerAfterTheWritingIsDropped)
{
    StartLogind();
    SleepInhibitor inhibitor;
    QSignalSpy answered(&inhibitor, &SleepInhibitor::answered);
    inhibitor.SetWriting(true);
    inhibitor.SetWriting(false);
    ASSERT_TRUE(answered.wait(Wait));
    EXPECT_FALSE(inhibitor.IsHeld());
    ASSERT_EQ(logind.calls.size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !logind.Held(0); }, Wait));
}

TEST_F(Inhibitor, GoesOnWithoutLogind)
{
    SleepInhibitor inhibitor;
    QSignalSpy answered(&inhibitor, &SleepInhibitor::answered);
    inhibitor.SetWriting(true);
    ASSERT_TRUE(answered.wait(Wait));
    EXPECT_FALSE(inhibitor.IsHeld());
    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
}

TEST(InhibitorWithoutBus, GoesOnWithoutASystemBus)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/rx77nova-bus", 1);
    SleepInhibitor inhibitor;
    inhibitor.SetWriting(true);
    EXPECT_FALSE(inhibitor.IsHeld());
    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
}

// The session's side: the portal on the test's bus, standing in for the
// session bus.
class PortalInhibit : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address.empty());
        // Each case is a process of its own: the session bus is looked up once.
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
    }

    void StartPortal()
    {
        QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address), Name);
        ASSERT_TRUE(connection.isConnected());
        ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }

    void TearDown() override { QDBusConnection::disconnectFromBus(Name); }

    bool Closed(size_t i) const { return portal.requests.at(i)->closed; }

    inline static const QString Name = QStringLiteral("portal");
    PrivateBus bus;
    StandInPortal portal {Name};
};

TEST_F(PortalInhibit, HeldExactlyWhileWriting)
{
    StartPortal();
    PortalInhibitor inhibitor;
    inhibitor.SetWriting(false);
    EXPECT_TRUE(portal.calls.empty());

    inhibitor.SetWriting(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    ASSERT_EQ(portal.calls.size(), 1u);
    EXPECT_EQ(portal.calls[0].window, QString());
    EXPECT_EQ(portal.calls[0].flags, 1u | 4u | 8u);  // logout, suspend, idle
    EXPECT_EQ(portal.calls[0].options.value(QStringLiteral("reason")).toString(),
              QStringLiteral("Writing the radio's firmware"));
    EXPECT_FALSE(Closed(0));

    inhibitor.SetWriting(true);  // every tick says so again: still one request
    EXPECT_EQ(portal.calls.size(), 1u);

    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Closed(0); }, Wait));

    // The next processor, or the next run: asked again.
    inhibitor.SetWriting(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    ASSERT_EQ(portal.calls.size(), 2u);
    EXPECT_FALSE(Closed(1));
}

TEST_F(PortalInhibit, ClosedWhenTheProgramEnds)
{
    StartPortal();
    {
        PortalInhibitor inhibitor;
        inhibitor.SetWriting(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.IsHeld(); }, Wait));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return Closed(0); }, Wait));
}

// Writing ended before the portal answered: the late request is closed at once.
TEST_F(PortalInhibit, LateAnswerAfterTheWritingIsClosed)
{
    StartPortal();
    PortalInhibitor inhibitor;
    QSignalSpy answered(&inhibitor, &PortalInhibitor::answered);
    inhibitor.SetWriting(true);
    inhibitor.SetWriting(false);
    ASSERT_TRUE(answered.wait(Wait));
    EXPECT_FALSE(inhibitor.IsHeld());
    ASSERT_EQ(portal.calls.size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Closed(0); }, Wait));
}

TEST_F(PortalInhibit, GoesOnWithoutAPortal)
{
    PortalInhibitor inhibitor;
    QSignalSpy answered(&inhibitor, &PortalInhibitor::answered);
    inhibitor.SetWriting(true);
    ASSERT_TRUE(answered.wait(Wait));
    EXPECT_FALSE(inhibitor.IsHeld());
    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
}

TEST(PortalInhibitWithoutBus, GoesOnWithoutASessionBus)
{
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rx77nova-bus", 1);
    PortalInhibitor inhibitor;
    inhibitor.SetWriting(true);
    EXPECT_FALSE(inhibitor.IsHeld());
    inhibitor.SetWriting(false);
    EXPECT_FALSE(inhibitor.IsHeld());
}

} // namespace

#include "InhibitorTest.moc"
