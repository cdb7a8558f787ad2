#include "ConsoleHost.h"

#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

ConsoleHost::ConsoleHost()
    : outWriter(STDOUT_FILENO), errWriter(STDERR_FILENO), outStream(&outWriter), errStream(&errWriter)
{
    HoldSignalsBack();
    const sigset_t set = EndingSignals();
    wakeHandle = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

ConsoleHost::~ConsoleHost()
{
    if (wakeHandle >= 0) {
        close(static_cast<int>(wakeHandle));
    }
}

void ConsoleHost::HoldSignalsBack()
{
    const sigset_t set = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void ConsoleHost::IgnoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

TermHost::Wake ConsoleHost::Watch(bool wantInput, int ms)
{
    const int signalFd = static_cast<int>(wakeHandle);
    const bool lineWaits = wantInput && LineReady();
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = wantInput && !lineWaits ? 2 : 1;
    Wake wake;
    if (poll(fds, count, lineWaits ? 0 : ms) > 0) {
        signalfd_siginfo info {};
        while (signalFd >= 0 && read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            wake.signal = static_cast<int>(info.ssi_signo);
        }
        if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0) {
            TakeInput();
        }
    }
    wake.input = wantInput && LineReady();
    return wake;
}

// One block of what standard input holds; poll said it would not wait.
void ConsoleHost::TakeInput()
{
    char block[4096];
    const ssize_t n = read(STDIN_FILENO, block, sizeof block);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        inputEnded = true;
        return;
    }
    std::string_view text(block, static_cast<size_t>(n));
    if (skipping) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return;
        }
        text.remove_prefix(end + 1);
        skipping = false;
    }
    pending.append(text);
}

bool ConsoleHost::FinishOutput()
{
    const int signalFd = static_cast<int>(wakeHandle);
    const auto signalCame = [signalFd] {
        signalfd_siginfo info {};
        return signalFd >= 0 && read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
    };
    const bool outDone = outWriter.Finish(-1, signalCame);
    const bool errDone = errWriter.Finish(-1, signalCame);
    return outDone && errDone && !outWriter.Failed() && !errWriter.Failed();
}

int64_t ConsoleHost::NowMs() const
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const char* ConsoleHost::EndRequestNames()
{
    return "Ctrl+C, SIGTERM, SIGHUP, SIGQUIT and the other signals that end a program";
}

bool ConsoleHost::OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}

int ConsoleHost::OutputColumns()
{
    winsize size {};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}
