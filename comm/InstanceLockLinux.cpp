#include "InstanceLock.h"

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsPrivateDirectory(const std::string& dir)
{
    struct stat st {};
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

// $XDG_RUNTIME_DIR when set; otherwise a 0700 directory of the user's own
// under /tmp, refused when someone else made it or it is a symbolic link.
std::string LockDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime;
    }
    const std::string dir = "/tmp/rx77nova-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    return IsPrivateDirectory(dir) ? dir : std::string();
}

// The lock file's descriptor, or -1.
int TakeLock(const char* name)
{
    const std::string dir = LockDirectory();
    if (dir.empty()) {
        return -1;
    }
    const std::string path = dir + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

InstanceLock::InstanceLock(const char* name) : handle(TakeLock(name))
{
}

InstanceLock::~InstanceLock()
{
    if (handle != kNone) {
        const int fd = static_cast<int>(handle);
        flock(fd, LOCK_UN);
        close(fd);
    }
}
