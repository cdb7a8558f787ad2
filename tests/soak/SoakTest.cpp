// Long runs against the emulated radio: fifty updates in one process with a
// fault in about half of them, and a line that keeps talking while the
// sequencer rests.
#include "NoisyCable.h"
#include "RadioSeqFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using enum SeqEvent;
using enum SeqState;

// GCC says AddressSanitizer with a macro, Clang with a feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RX_SOAK_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RX_SOAK_UNDER_ASAN 1
#endif

#if defined(RX_SOAK_UNDER_ASAN)
constexpr bool ResidentMemoryMeaningful = false;  // the sanitizer keeps freed memory in quarantine
#else
constexpr bool ResidentMemoryMeaningful = true;
#endif

constexpr long MiB = 1024 * 1024;

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

int OpenDescriptors()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(dir)) {
            n += e->d_name[0] != '.' ? 1 : 0;
        }
        closedir(dir);
    }
    return n - 1;  // the folder's own descriptor
}

// --- fifty updates --------------------------------------------------------------

// A fault that ends a run: most of them at once (a wrong byte, a dropped
// line, an answer too long), one with the full 5 s time-out of silence.
struct FaultChoice {
    const char* point;   // "dsp.block" gets a random block number
    FaultKind kind;
    int weight;
};

// Weighted towards faults at the identity, which cost about a second; a
// failure in the writing half costs two to four, a silent radio five more.
const std::vector<FaultChoice> Faults = {
    {"ident", FaultKind::WrongByte, 4},      // version text not allowed: EvCannotUpdate
    {"ident", FaultKind::Noise, 4},          // more than 17 bytes: EvNoAnswer
    {"dsp.key", FaultKind::WrongByte, 1},    // EvHandshake
    {"dsp.model", FaultKind::WrongByte, 1},  // EvCannotUpdate
    {"dsp.dsp_ready", FaultKind::WrongByte, 1},
    {"dsp.block", FaultKind::WrongByte, 2},  // EvRomData in the middle of the writing
    {"dsp.block", FaultKind::HangUp, 2},     // the line goes away: a write error
    {"dsp.boot", FaultKind::Silent, 1},      // EvBoot after 5 s
};

Fault PickFault(std::mt19937& random)
{
    int total = 0;
    for (const FaultChoice& f : Faults) {
        total += f.weight;
    }
    int pick = std::uniform_int_distribution<int>(0, total - 1)(random);
    for (const FaultChoice& f : Faults) {
        if (pick < f.weight) {
            std::string point = f.point;
            if (point == "dsp.block") {
                point += " " + std::to_string(std::uniform_int_distribution<int>(1, 767)(random));
            }
            return Fault{point, f.kind, 0, false};
        }
        pick -= f.weight;
    }
    return Fault{};
}

class SoakUpdates : public RadioSeqFixture {
protected:
    // The update ended with the exit command after writing the DSP (a
    // refused radio also ends with EvCompleted, with nothing written).
    bool WroteDsp() const
    {
        return !driver->Events().empty() && driver->Events().back() == EvCompleted
            && seq->GetTarget() == TargetDsp;
    }
};

// The radio holds the main processor's image and an older DSP, so that each
// update writes the DSP alone (768 blocks) and a run lasts a few seconds.
TEST_F(SoakUpdates, FiftyUpdatesWithFaultsInOneProcess)
{
    constexpr int Updates = 50;
    std::mt19937 random(20261210);
    StartRadio(RadioOptions{});
    MakeSequencer();
    const int fdsBefore = OpenDescriptors();
    std::vector<long> resident;
    int faulty = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int run = 0; run < Updates; ++run) {
        SCOPED_TRACE("update " + std::to_string(run + 1));
        RadioOptions options;
        options.cpu = CpuFirmware::Same;
        options.dsp = DspFirmware::Older;
        const bool withFault = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        if (withFault) {
            options.faults.push_back(PickFault(random));
            ++faulty;
        }
        StartRadio(options);
        driver->ClearRecords();
        RunToCompletion();
        ASSERT_FALSE(driver->Events().empty());
        if (withFault) {
            SCOPED_TRACE("fault " + options.faults[0].point + " " + FaultPlan::KindName(options.faults[0].kind));
            EXPECT_FALSE(WroteDsp()) << "the fault did not stop the run";
            EXPECT_EQ(seq->GetState(), Standby);
            PowerCycle();
            driver->ClearRecords();
            RunToCompletion();
        }
        ASSERT_TRUE(WroteDsp()) << "events: " << testing::PrintToString(driver->Events()) << "\n"
                                << FormatReport(Report());
        ExpectFlashesEqualImages();
        driver->Tick();  // Standby's own work closes the port
        resident.push_back(ResidentBytes());
        EXPECT_EQ(OpenDescriptors(), fdsBefore) << "descriptors after the update";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const auto [low, high] = std::minmax_element(resident.begin() + 5, resident.end());
    std::printf("%d updates (%d with a fault) in %.1f s; resident %ld KiB after update 1, %ld ... %ld KiB "
                "from update 6 on; %d descriptors\n",
                Updates, faulty, seconds, resident.front() / 1024, *low / 1024, *high / 1024, fdsBefore);
    EXPECT_GE(faulty, Updates / 4);
    if (ResidentMemoryMeaningful) {
        EXPECT_LE(*high - *low, MiB) << "resident memory grew from update 6 on";
    }
}

// --- a radio that keeps talking ---------------------------------------------------

struct NoiseCase {
    const char* name;
    std::vector<Fault> faults;   // a fault that stops the writing half first
    SeqState restsIn;            // where the noise finds the sequencer
};

void PrintTo(const NoiseCase& c, std::ostream* os) { *os << c.name; }

// Over a pseudo-terminal: the noise comes from a cable between the port and
// the radio, on the real clock.
class SoakTalkingRadio : public RadioSeqFixture, public testing::WithParamInterface<NoiseCase> {
protected:
    SoakTalkingRadio() : RadioSeqFixture(SeqLine::Pty) {}
    void TearDown() override { cable.Stop(); }
    NoisyCable cable;
};

// Bytes arriving while the sequencer rests land on a closed port: nothing is
// read, nothing grows, and the next run (a Retry after a failure, or Yes
// after the question) opens the port afresh and completes.
TEST_P(SoakTalkingRadio, NoiseWhileRestingLeavesTheNextRunWhole)
{
    const NoiseCase& c = GetParam();
    RadioOptions options;
    options.cpu = CpuFirmware::Same;
    options.dsp = DspFirmware::Older;
    options.faults = c.faults;
    StartRadio(options);
    ASSERT_TRUE(cable.Start(PtyRadio().DevicePath()));
    // COM5 leads to the cable now, the cable to the radio.
    const std::string com = PortDir() + "/com" + std::to_string(RadioCom);
    ASSERT_EQ(unlink(com.c_str()), 0);
    ASSERT_EQ(symlink(cable.ProgramDevice().c_str(), com.c_str()), 0);
    MakeSequencer();

    RunFirstHalf();
    ASSERT_EQ(seq->GetState(), Confirm);
    if (c.restsIn == Standby) {
        seq->StartUpdate();
        ASSERT_TRUE(driver->RunUntilResting(60000));
        ASSERT_NE(driver->Events().back(), EvCompleted);
        PtyRadio().PowerCycle();
    }
    ASSERT_EQ(seq->GetState(), c.restsIn);
    driver->Tick();  // the resting state's own work closes the port

    const int fdsBefore = OpenDescriptors();
    const long residentBefore = ResidentBytes();
    cable.SetNoise(true);
    driver->RunUntil([] { return false; }, 3000);  // the window keeps ticking
    cable.SetNoise(false);
    EXPECT_GT(cable.NoiseBytes(), 0u);
    EXPECT_EQ(seq->GetState(), c.restsIn);
    EXPECT_EQ(OpenDescriptors(), fdsBefore);
    if (ResidentMemoryMeaningful) {
        EXPECT_LE(ResidentBytes() - residentBefore, MiB);
    }

    driver->ClearRecords();
    RunToCompletion();
    ASSERT_FALSE(driver->Events().empty());
    EXPECT_EQ(driver->Events().back(), EvCompleted) << testing::PrintToString(driver->Events());
    ExpectFlashesEqualImages();
}

INSTANTIATE_TEST_SUITE_P(
    Rests, SoakTalkingRadio,
    testing::Values(NoiseCase{"while_asking", {}, Confirm},
                    NoiseCase{"after_a_failure", {Fault{"dsp.key", FaultKind::WrongByte, 0, false}}, Standby}),
    [](const testing::TestParamInfo<NoiseCase>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
