#include "LineAttempts.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Runs attempt and keeps what it found wrong in results, unreported.
void Held(const std::function<void()>& attempt, testing::TestPartResultArray& results)
{
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
    attempt();
}

bool AnyFailure(const testing::TestPartResultArray& results)
{
    for (int i = 0; i < results.size(); ++i) {
        if (results.GetTestPartResult(i).failed()) {
            return true;
        }
    }
    return false;
}

void Report(const testing::TestPartResultArray& results)
{
    for (int i = 0; i < results.size(); ++i) {
        const testing::TestPartResult& r = results.GetTestPartResult(i);
        if (r.failed()) {
            ADD_FAILURE_AT(r.file_name() != nullptr ? r.file_name() : "?", r.line_number()) << r.message();
        }
    }
}

} // namespace

void AttemptUntilTheLineKeepsUp(const std::function<void()>& attempt, const std::function<int()>& heldBack,
                                const std::function<void()>& again, int maxAttempts)
{
    for (int n = 1;; ++n) {
        const int before = heldBack();
        testing::TestPartResultArray results;
        Held(attempt, results);
        const bool spoiled = AnyFailure(results) && heldBack() > before;
        if (!spoiled || n == maxAttempts) {
            Report(results);
            return;
        }
        std::printf("attempt %d: the machine held repeated requests back on the line; trying again. Set aside:\n", n);
        for (int i = 0; i < results.size(); ++i) {
            if (results.GetTestPartResult(i).failed()) {
                std::printf("  %s\n", results.GetTestPartResult(i).message());
            }
        }
        std::fflush(stdout);
        again();
    }
}
