// The Windows layer's tests. With --try-guard the program is the second
// copy of the instance tests instead: it says by its exit code what the
// single-instance guard found.
#include "clsEnviron.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// 0: this copy is the first; 1: another copy runs; 2: the guard failed.
int TryGuard()
{
    const clsEnviron guard(clsEnviron::MutexName);
    if (guard.IsFirstInstance() == 1) {
        return 0;
    }
    return guard.LockProblem().empty() ? 1 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--try-guard") == 0) {
        return TryGuard();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
