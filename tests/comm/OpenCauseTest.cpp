// Why a port did not open, in words the user can act on.
#include "ComPorts.h"
#include "OpenCause.h"

#include "CommTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class OpenCause : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        dir.Link("com3", pty.SlavePath());
    }
    std::vector<ComPort> Ports() const { return ComPorts(dir.Path()).Scan(); }

    TempDir dir;
    PtyPair pty;
};

TEST_F(OpenCause, NoPermissionNamesTheGroupAndTheFix)
{
    struct stat info {};
    ASSERT_EQ(stat(pty.SlavePath().c_str(), &info), 0);
    const std::string group = getgrgid(info.st_gid)->gr_name;
    const std::string user = getpwuid(getuid())->pw_name;
    EXPECT_EQ(OpenCauseText(3, OpenFailure::Permission, EACCES, Ports()),
              "Cause: you may not use COM3 (" + pty.SlavePath() + "): you are not in the group " + group
                  + ". Run \"sudo usermod -aG " + group + " " + user + "\", then log in again.");
}

TEST_F(OpenCause, OtherFailuresNameTheDevice)
{
    const std::string com3 = "COM3 (" + pty.SlavePath() + ")";
    EXPECT_EQ(OpenCauseText(3, OpenFailure::None, 0, Ports()), "");
    EXPECT_EQ(OpenCauseText(3, OpenFailure::NotSerial, ENOTTY, Ports()), "Cause: " + com3 + " is not a serial device.");
    EXPECT_EQ(OpenCauseText(3, OpenFailure::Refused, 0, Ports()), "Cause: " + com3 + " refused the line settings.");
    EXPECT_EQ(OpenCauseText(3, OpenFailure::Other, EINVAL, Ports()),
              "Cause: " + com3 + " could not be opened: Invalid argument.");
    // Nobody else holds it: the holder cannot be named.
    EXPECT_EQ(OpenCauseText(3, OpenFailure::Busy, EWOULDBLOCK, Ports()), "Cause: " + com3 + " is in use by another program.");
}

TEST_F(OpenCause, MissingNumberSaysWhatItWouldBe)
{
    dir.Link("com4", dir.Join("unplugged"));
    EXPECT_EQ(OpenCauseText(4, OpenFailure::Missing, ENOENT, Ports()),
              "Cause: COM4 would be " + dir.Join("com4") + ", but no serial device is there.");
    EXPECT_EQ(OpenCauseText(9, OpenFailure::Missing, ENOENT, Ports()),
              "Cause: no serial device is numbered COM9. Present: COM3 (" + pty.SlavePath() + ").");
    EXPECT_EQ(OpenCauseText(9, OpenFailure::Missing, ENOENT, {}),
              "Cause: no serial device is numbered COM9. No serial port is present.");
}

TEST_F(OpenCause, HoldersAreFoundInOtherProcessesOnly)
{
    // This process holds the pty, and is left out; so is a device no one holds.
    EXPECT_TRUE(PortHolders(pty.SlavePath()).empty());
    EXPECT_TRUE(PortHolders(dir.Join("nothing")).empty());
}

} // namespace
