#include "PtyLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
bool MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string Errno(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

long SpeedNumber(speed_t speed)
{
    switch (speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return -1;
    }
}
}

PtyLink::~PtyLink()
{
    Unlink();
    Close();
}

bool PtyLink::Open(std::string& error)
{
    Close();
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = Errno("posix_openpt");
        return false;
    }
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        error = Errno("pseudo-terminal set-up");
        Close();
        return false;
    }
    device = name;
    slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int flags = fcntl(master, F_GETFL);
    if (slave < 0 || flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 || !MakeRaw(slave)
        || !MakeRaw(master)) {
        error = Errno("pseudo-terminal set-up");
        Close();
        return false;
    }
    return true;
}

void PtyLink::Close()
{
    if (slave >= 0)
        close(slave);
    if (master >= 0)
        close(master);
    slave = master = -1;
}

bool PtyLink::LinkAs(const std::string& dir, int com, std::string& error)
{
    if (com < 1 || com > 256) {
        error = "COM number " + std::to_string(com) + " is not 1 to 256";
        return false;
    }
    Unlink();
    linkPath = dir + "/com" + std::to_string(com);
    return Relink(error);
}

bool PtyLink::Relink(std::string& error)
{
    if (linkPath.empty())
        return true;
    struct stat st{};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath + " exists and is not a symbolic link";
        linkPath.clear();
        return false;
    }
    // A new link under a temporary name, renamed over the old one, so that
    // the name never points nowhere.
    const std::string temporary = linkPath + ".new" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(device.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = Errno(("cannot link " + linkPath).c_str());
        unlink(temporary.c_str());
        linkPath.clear();
        return false;
    }
    return true;
}

void PtyLink::Unlink()
{
    if (linkPath.empty())
        return;
    char target[256];
    const ssize_t n = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (n >= 0 && device == std::string(target, static_cast<size_t>(n)))
        unlink(linkPath.c_str());
    linkPath.clear();
}

bool PtyLink::LineIs38400N81(long& speed) const
{
    termios t{};
    if (slave < 0 || tcgetattr(slave, &t) != 0) {
        speed = -1;
        return true;  // nothing to judge by
    }
    speed = SpeedNumber(cfgetospeed(&t));
    return cfgetospeed(&t) == B38400 && (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & (PARENB | CSTOPB)) == 0;
}

bool PtyLink::ClearExclusive()
{
    return slave >= 0 && ioctl(slave, TIOCNXCL) == 0;
}
