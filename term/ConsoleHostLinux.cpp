#include "ConsoleHost.h"

#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

ConsoleHost::ConsoleHost()
{
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    wakeHandle = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

ConsoleHost::~ConsoleHost()
{
    if (wakeHandle >= 0) {
        close(static_cast<int>(wakeHandle));
    }
}

TermHost::Wake ConsoleHost::Watch(bool wantInput, int ms)
{
    const int signalFd = static_cast<int>(wakeHandle);
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = wantInput ? 2 : 1;
    Wake wake;
    if (poll(fds, count, ms) <= 0) {
        return wake;
    }
    signalfd_siginfo info {};
    while (signalFd >= 0 && read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        wake.signal = static_cast<int>(info.ssi_signo);
    }
    wake.input = wantInput && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return wake;
}

// Byte by byte, so that nothing beyond the line is taken from the input
// that the next question may need.
bool ConsoleHost::ReadLine(std::string& line)
{
    line.clear();
    char c = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return !line.empty();
        }
        if (c == '\n') {
            return true;
        }
        line.push_back(c);
    }
}

int64_t ConsoleHost::NowMs() const
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const char* ConsoleHost::EndRequestNames()
{
    return "Ctrl+C, SIGTERM, SIGHUP and SIGQUIT";
}

bool ConsoleHost::OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}
