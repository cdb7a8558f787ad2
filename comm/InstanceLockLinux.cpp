#include "InstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Empty when dir is a folder of this user's that no one else may enter;
// otherwise why not. Links are not followed: a link could lead anywhere.
std::string PrivacyProblem(const std::string& dir)
{
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) {
        return dir + ": " + std::strerror(errno);
    }
    if (S_ISLNK(st.st_mode)) {
        return dir + ": is a symbolic link";
    }
    if (!S_ISDIR(st.st_mode)) {
        return dir + ": is not a folder";
    }
    if (st.st_uid != getuid()) {
        return dir + ": belongs to user " + std::to_string(st.st_uid) + ", not to user " + std::to_string(getuid());
    }
    if ((st.st_mode & 077) != 0) {
        return dir + ": other users may use it (mode " + Octal(st.st_mode) + ")";
    }
    return {};
}

// $XDG_RUNTIME_DIR when set; otherwise a folder of the user's own under
// fallbackBase. Either must be the user's own and private: a folder made
// first by someone else must not decide whether this program starts.
std::string LockDirectory(const std::string& fallbackBase, std::string& problem)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir;
    if (runtime != nullptr && runtime[0] == '/') {
        dir = runtime;
    } else {
        dir = fallbackBase + "/rx77nova-" + std::to_string(getuid());
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            problem = dir + ": cannot be made: " + std::strerror(errno);
            return {};
        }
    }
    problem = PrivacyProblem(dir);
    return problem.empty() ? dir : std::string();
}

} // namespace

InstanceLock::InstanceLock(const char* name) : InstanceLock(name, "/tmp")
{
}

InstanceLock::InstanceLock(const char* lockName, const std::string& fallbackBase) : name(lockName)
{
    const std::string dir = LockDirectory(fallbackBase, problem);
    if (dir.empty()) {
        return;
    }
    path = dir + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem = path + ": cannot be opened: " + std::strerror(errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            state = State::HeldElsewhere;
        } else {
            problem = path + ": cannot be locked: " + std::strerror(error);
        }
        return;
    }
    // What a copy that held it before said about itself is no longer true.
    (void)!ftruncate(fd, 0);
    handle = fd;
    state = State::Held;
}

InstanceLock::~InstanceLock()
{
    if (handle != kNone) {
        const int fd = static_cast<int>(handle);
        flock(fd, LOCK_UN);
        close(fd);
    }
}

namespace {

// The holder's form, written into the lock file (which holds nothing else).
constexpr const char* WindowWord = "window\n";
constexpr const char* TerminalWord = "terminal\n";

} // namespace

bool InstanceLock::SetHolderForm(Form form)
{
    if (handle == kNone || form == Form::Unknown) {
        return false;
    }
    const int fd = static_cast<int>(handle);
    const std::string word = form == Form::Window ? WindowWord : TerminalWord;
    return ftruncate(fd, 0) == 0
        && pwrite(fd, word.data(), word.size(), 0) == static_cast<ssize_t>(word.size());
}

InstanceLock::Form InstanceLock::HolderForm() const
{
    if (path.empty()) {
        return Form::Unknown;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return Form::Unknown;
    }
    char text[16] {};
    const ssize_t n = pread(fd, text, sizeof(text) - 1, 0);
    close(fd);
    const std::string word(text, n > 0 ? static_cast<size_t>(n) : 0);
    return word == WindowWord ? Form::Window : word == TerminalWord ? Form::Terminal : Form::Unknown;
}
