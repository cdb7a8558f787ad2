// The rule that lets a real-line test run again when the machine, not the
// program, spoiled an attempt: only a failed attempt during which the radio
// counted piled-up requests runs again, and never more than the limit.
#include "LineAttempts.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Attempt {
    bool fails;
    int pileUps;  // what the radio counts during it
};

struct Runs {
    int attempts = 0;
    int agains = 0;
};

// Runs the scripted attempts (the last one repeats) with the given limit.
Runs RunScript(const std::vector<Attempt>& script, int maxAttempts)
{
    Runs runs;
    int heldBack = 0;
    AttemptUntilTheLineKeepsUp(
        [&] {
            const Attempt& a = script[std::min<size_t>(static_cast<size_t>(runs.attempts), script.size() - 1)];
            ++runs.attempts;
            heldBack += a.pileUps;
            EXPECT_FALSE(a.fails) << "attempt " << runs.attempts;
        },
        [&] { return heldBack; }, [&] { ++runs.agains; }, maxAttempts);
    return runs;
}

TEST(LineAttempts, SpoiledAttemptsRunAgainAndTheirFailuresAreSetAside)
{
    const Runs runs = RunScript({{true, 2}, {true, 1}, {false, 0}}, 3);
    EXPECT_EQ(runs.attempts, 3);
    EXPECT_EQ(runs.agains, 2);
}

TEST(LineAttempts, APassingAttemptRunsOnceEvenWhenRequestsPiledUp)
{
    const Runs runs = RunScript({{false, 4}}, 3);
    EXPECT_EQ(runs.attempts, 1);
    EXPECT_EQ(runs.agains, 0);
}

TEST(LineAttempts, AFailureWithoutPiledUpRequestsIsReportedAtOnce)
{
    Runs runs;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(runs = RunScript({{true, 0}, {false, 0}}, 3), "attempt 1");
    EXPECT_EQ(runs.attempts, 1);
}

TEST(LineAttempts, TheLastAttemptIsReportedWhateverSpoiledIt)
{
    Runs runs;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(runs = RunScript({{true, 1}}, 2), "attempt 2");
    EXPECT_EQ(runs.attempts, 2);
    EXPECT_EQ(runs.agains, 1);
}

} // namespace
