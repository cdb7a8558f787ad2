#pragma once
#include "InstanceLock.h"

#include <string>

// The single-instance guard: a per-user lock named after the mutex name,
// held for the life of the process. The kernel drops it when the process
// ends, also on a crash or kill -9.
class clsEnviron {
public:
    static constexpr const char* MutexName = ProgramMutexName;

    explicit clsEnviron(const char* name);
    clsEnviron(const clsEnviron&) = delete;
    clsEnviron& operator=(const clsEnviron&) = delete;

    // 1 when this process holds the lock; 0 when another does or the lock
    // could not be created.
    int IsFirstInstance() const { return firstInstance; }
    // Why the lock could not be created (path and reason); empty when this
    // process holds it or another copy does.
    const std::string& LockProblem() const { return mutexHandle.Problem(); }
    // The lock file; copies that share it are copies of one another.
    const std::string& LockPath() const { return mutexHandle.Path(); }
    // The holder says which form it runs as; a second copy reads it.
    bool SetHolderForm(InstanceLock::Form form) { return mutexHandle.SetHolderForm(form); }
    InstanceLock::Form HolderForm() const { return mutexHandle.HolderForm(); }

private:
    const char* mutexName;
    InstanceLock mutexHandle;  // the platform's lock (InstanceLock.h)
    int firstInstance = 0;
};
