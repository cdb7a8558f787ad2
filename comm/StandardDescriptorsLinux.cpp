// Standard input, output and error are open before anything else is: a
// program started with one of them closed would otherwise hand that number
// to the first file it opens (the single-instance lock), and its notices
// would be written into that file. A closed one is opened on /dev/null.
// Linked into each program (not a library, whose unused files are left
// out), and run before the static objects are made, the lock among them.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

__attribute__((constructor(101))) void OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        // The lowest free number is fd itself: those below it are open.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            close(opened);  // never expected; nothing else can be done this early
        }
        if (opened < 0) {
            _exit(127);  // without /dev/null the lock could take this number
        }
    }
}

} // namespace
