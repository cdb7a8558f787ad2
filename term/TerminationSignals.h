#pragma once
#include <csignal>

// The requests to end that both forms of the program watch (and refuse
// while a processor is written): the session's end, Ctrl+C and Ctrl+\.
inline sigset_t TerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGQUIT);
    return set;
}

// Every signal that ends the process by default and that can be held back
// without harm: the four above, and those a stray kill, a timer or a limit
// may send. Each is a request to end, refused like SIGTERM while a
// processor is written. Left out: SIGKILL and SIGSTOP (cannot be caught),
// the faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT, SIGSYS: the
// program's own errors, which holding back would hide or hang), SIGPIPE
// (ignored: a closed output is an output error) and the signals whose
// default does not end the process. The real-time signals below SIGRTMIN
// belong to the C library's threads.
inline sigset_t EndingSignals()
{
    sigset_t set = TerminationSignals();
    for (const int number : {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO, SIGXCPU, SIGXFSZ,
#ifdef SIGSTKFLT
                             SIGSTKFLT,
#endif
#ifdef SIGPWR
                             SIGPWR,
#endif
                             SIGTERM}) {
        sigaddset(&set, number);
    }
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        sigaddset(&set, number);
    }
    return set;
}
