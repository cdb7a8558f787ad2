#include "OutputWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// A pseudo-terminal's master: opening it again by name would make a new one.
bool IsPtyMaster(const struct stat& st)
{
    return S_ISCHR(st.st_mode) && major(st.st_rdev) == 5 && minor(st.st_rdev) == 2;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_rdev == b.st_rdev;
}

} // namespace

OutputWriter::OutputWriter(int descriptor, size_t heldCapacity) : fd(descriptor), capacity(heldCapacity)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) {
        kind = Kind::Plain;  // a file never holds a write up; a closed descriptor fails at the first write
    } else if (S_ISSOCK(st.st_mode)) {
        kind = Kind::Socket;
    } else if (S_ISFIFO(st.st_mode) || isatty(fd) != 0) {
        OpenOwn(!IsPtyMaster(st));
    } else {
        kind = Kind::Plain;  // /dev/null, /dev/full and their kind
    }
}

OutputWriter::~OutputWriter()
{
    Pump();
    Restore();
    if (ownFd >= 0) {
        close(ownFd);
    }
}

// A terminal or pipe opened again through /proc is a file of its own, whose
// non-blocking mode touches no one else; O_NOCTTY: a terminal opened again
// must not become this process's controlling terminal.
void OutputWriter::OpenOwn(bool mayReopen)
{
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const int own = mayReopen ? open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    struct stat was {};
    struct stat now {};
    if (own >= 0 && fstat(fd, &was) == 0 && fstat(own, &now) == 0 && SameFile(was, now)) {
        ownFd = own;
        kind = Kind::Own;
        return;
    }
    if (own >= 0) {
        close(own);
    }
    // Not allowed (a terminal of another user) or not possible: the shared
    // file is made non-blocking while this writer lives.
    kind = Kind::Shared;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
        savedFlags = flags;
    }
}

void OutputWriter::Restore()
{
    if (savedFlags >= 0) {
        fcntl(fd, F_SETFL, static_cast<int>(savedFlags));
        savedFlags = -1;
    }
}

intptr_t OutputWriter::WriteNow(const char* s, size_t n)
{
    ssize_t written = 0;
    if (kind == Kind::Socket) {
        written = send(fd, s, n, MSG_DONTWAIT | MSG_NOSIGNAL);
    } else {
        written = write(kind == Kind::Own ? ownFd : fd, s, n);
    }
    if (written >= 0) {
        return written;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return 0;
    }
    error = errno;
    failed = true;
    return -1;
}

void OutputWriter::WaitWritable(int ms)
{
    pollfd out {kind == Kind::Own ? ownFd : fd, POLLOUT, 0};
    poll(&out, 1, ms);
}

std::string OutputWriter::ErrorText() const
{
    return error == 0 ? std::string() : std::strerror(error);
}
