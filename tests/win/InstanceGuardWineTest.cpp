// The single-instance guard on Windows: a named mutex that a second process
// of the same session finds made already.
#include "clsEnviron.h"

#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kFirst = 0;
constexpr int kAnotherRuns = 1;

} // namespace

TEST(InstanceGuard, ASecondCopyIsRefusedWhileTheFirstRunsAndStartsAfterIt)
{
    auto first = std::make_unique<clsEnviron>(clsEnviron::MutexName);
    ASSERT_EQ(first->IsFirstInstance(), 1) << first->LockProblem();
    EXPECT_TRUE(first->LockProblem().empty());

    EXPECT_EQ(RunThisProgram("--try-guard"), kAnotherRuns);
    {
        // A second guard of the same process counts as another copy too.
        const clsEnviron again(clsEnviron::MutexName);
        EXPECT_EQ(again.IsFirstInstance(), 0);
        EXPECT_TRUE(again.LockProblem().empty());
    }
    EXPECT_EQ(RunThisProgram("--try-guard"), kAnotherRuns);

    first.reset();
    EXPECT_EQ(RunThisProgram("--try-guard"), kFirst);
}

TEST(InstanceGuard, AnotherNameIsAnotherLock)
{
    const clsEnviron guard(clsEnviron::MutexName);
    ASSERT_EQ(guard.IsFirstInstance(), 1);
    const InstanceLock other("RX-77NOVA another program");
    EXPECT_EQ(other.GetState(), InstanceLock::State::Held);
    EXPECT_TRUE(other.Path().empty());
}

// The holder says which form it runs as, and a copy that finds the lock held
// reads it; only the holder can say it, and what it said goes with it.
TEST(InstanceGuard, TheHolderSaysWhichFormRuns)
{
    for (InstanceLock::Form form : {InstanceLock::Form::Window, InstanceLock::Form::Terminal}) {
        InstanceLock holder("RX-77NOVA form test");
        ASSERT_EQ(holder.GetState(), InstanceLock::State::Held);
        const InstanceLock second("RX-77NOVA form test");
        ASSERT_EQ(second.GetState(), InstanceLock::State::HeldElsewhere);
        EXPECT_EQ(second.HolderForm(), InstanceLock::Form::Unknown);
        EXPECT_TRUE(holder.SetHolderForm(form));
        EXPECT_EQ(second.HolderForm(), form);
    }
    InstanceLock outsider("RX-77NOVA form test");
    ASSERT_EQ(outsider.GetState(), InstanceLock::State::Held);
    const InstanceLock second("RX-77NOVA form test");
    InstanceLock notHolder("RX-77NOVA form test");
    EXPECT_FALSE(notHolder.SetHolderForm(InstanceLock::Form::Window));
    EXPECT_EQ(second.HolderForm(), InstanceLock::Form::Unknown);
}
