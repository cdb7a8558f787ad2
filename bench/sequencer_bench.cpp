// A full update of both processors against the emulated radio, paced like a
// 38,400 bit/s cable or unpaced, with the figures that say where the time
// goes. Usage: sequencer_bench [--paced] [--runs N]
#include "EmulatedRadio.h"
#include "FirmImages.h"
#include "PortDirVariable.h"
#include "SeqDriver.h"
#include "TempDir.h"
#include "clsMainSeq.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int RadioCom = 9;

// Waits the sequencer itself prescribes in the writing half of a run with
// both targets: the 1,000 ms settle (the opening flushes fall inside it),
// the identity flush, and per target the boot flush, the marker's 100 ms
// resend interval, the write set-up flush and 300 ms settle, the 2,000 ms
// end wait and the identity flush after it.
constexpr double FixedWaitsSeconds = (1000 + 100 + 2 * (100 + 100 + 100 + 300 + 2000 + 100)) / 1000.0;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakRssKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Figures {
    double elapsed;
    double wire;
    double cpu;
    int ticks;
};

bool RunOnce(bool paced, const std::string& dir, Figures& out)
{
    RadioOptions options;
    options.paced = paced;
    EmulatedRadio radio(options);
    if (!radio.Start() || !radio.LinkAs(dir, RadioCom)) {
        std::fprintf(stderr, "radio: %s\n", radio.Error().c_str());
        return false;
    }
    clsMainSeq seq;
    seq.SetPort(RadioCom);
    SeqDriver driver(seq);
    seq.Step();
    seq.Step();
    seq.StartUpdate();
    if (!driver.RunUntilResting(30000) || seq.GetState() != SeqState::Confirm) {
        std::fprintf(stderr, "first half did not end with a question\n");
        return false;
    }
    const RadioReport before = radio.Report();
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    seq.StartUpdate();
    int ticks = 0;
    const bool done = driver.RunUntil(
        [&] {
            ++ticks;
            return seq.GetState() == SeqState::Standby;
        },
        paced ? 900000 : 300000);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const RadioReport after = radio.Report();
    radio.Stop();
    if (!done || driver.Events().back() != SeqEvent::EvCompleted || !after.cpu.matchesImage || !after.dsp.matchesImage) {
        std::fprintf(stderr, "the update did not complete:\n%s\n", FormatReport(after).c_str());
        return false;
    }
    const uint64_t bytes = (after.bytesReceived - before.bytesReceived) + (after.bytesSent - before.bytesSent);
    out = {elapsed, bytes * 10.0 / 38400.0, CpuSeconds() - cpu0, ticks};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bool paced = false;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--paced") == 0) {
            paced = true;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        }
    }
    const TempDir ports;
    if (!ports.Ok()) {
        return 1;
    }
    const PortDirVariable variable(ports.Path());

    std::vector<Figures> all;
    for (int r = 0; r < runs; ++r) {
        Figures f{};
        if (!RunOnce(paced, ports.Path(), f)) {
            return 1;
        }
        std::printf("run %d: elapsed %.2f s, wire %.2f s, fixed waits %.2f s, ratio %.4f, cpu %.2f s, ticks %d\n", r + 1,
                    f.elapsed, f.wire, FixedWaitsSeconds, f.elapsed / (f.wire + FixedWaitsSeconds), f.cpu, f.ticks);
        all.push_back(f);
    }
    std::sort(all.begin(), all.end(), [](const Figures& a, const Figures& b) { return a.elapsed < b.elapsed; });
    const Figures& m = all[all.size() / 2];
    std::printf("%s median of %d: elapsed %.2f s, wire %.2f s + fixed waits %.2f s, ratio %.4f, cpu %.2f s, "
                "peak RSS %ld KiB\n",
                paced ? "paced" : "unpaced", runs, m.elapsed, m.wire, FixedWaitsSeconds,
                m.elapsed / (m.wire + FixedWaitsSeconds), m.cpu, PeakRssKiB());
    return 0;
}
