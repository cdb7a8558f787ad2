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
