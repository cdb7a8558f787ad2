// Several radios at once through the program itself: for 1, 2, 4 and 8
// emulated radios paced like 38,400 bit/s cables, the wall time of the
// whole run against one radio's, and the program's CPU time per radio.
// Usage: multi_bench [--both] [--counts 1,2,4,8]
// By default each radio needs its DSP written (most of a minute a run);
// --both writes both processors (about seven minutes a run).
#include "EmulatedRadio.h"
#include "TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FirstCom = 20;

struct Figures {
    double wallSeconds = 0;
    double cpuSeconds = 0;  // the program's, user and system
    int status = -1;
    bool flashesEqual = true;
};

// Runs the program on count fresh radios with both answers given.
bool RunProgram(int count, bool both, Figures& figures)
{
    TempDir ports;
    TempDir runtime;
    RadioOptions options;
    options.cpu = both ? CpuFirmware::Older : CpuFirmware::Same;
    options.dsp = DspFirmware::Older;
    options.paced = true;
    std::vector<std::unique_ptr<EmulatedRadio>> radios;
    std::string portList;
    for (int i = 0; i < count; ++i) {
        radios.push_back(std::make_unique<EmulatedRadio>(options));
        if (!radios.back()->Start() || !radios.back()->LinkAs(ports.Path(), FirstCom + i)) {
            std::fprintf(stderr, "radio: %s\n", radios.back()->Error().c_str());
            return false;
        }
        portList += (i == 0 ? "" : ",") + std::to_string(FirstCom + i);
    }
    const auto began = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("RX77NOVA_PORT_DIR", ports.Path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        execl(RX_PROGRAM, RX_PROGRAM, "--port", portList.c_str(), "--agree", "--yes", static_cast<char*>(nullptr));
        _exit(127);
    }
    int raw = 0;
    rusage usage {};
    wait4(pid, &raw, 0, &usage);
    figures.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    figures.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    for (const auto& radio : radios) {
        const RadioReport r = radio->Report();
        figures.flashesEqual = figures.flashesEqual && r.cpu.matchesImage && r.dsp.matchesImage;
        radio->Stop();
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    bool both = false;
    std::vector<int> counts {1, 2, 4, 8};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--both") == 0) {
            both = true;
        } else if (std::strcmp(argv[i], "--counts") == 0 && i + 1 < argc) {
            counts.clear();
            for (char* part = std::strtok(argv[++i], ","); part != nullptr; part = std::strtok(nullptr, ",")) {
                counts.push_back(std::atoi(part));
            }
        } else {
            std::fprintf(stderr, "usage: %s [--both] [--counts 1,2,4,8]\n", argv[0]);
            return 2;
        }
    }
    std::printf("%-7s %10s %10s %12s %14s  %s\n", "radios", "wall s", "vs one", "program CPU", "CPU per radio",
                "status");
    double one = 0;
    for (const int count : counts) {
        Figures f;
        if (!RunProgram(count, both, f)) {
            return 1;
        }
        if (one == 0) {
            one = f.wallSeconds;  // the first count given, 1 by default
        }
        std::printf("%-7d %10.2f %10.3f %12.2f %14.3f  %d%s\n", count, f.wallSeconds, f.wallSeconds / one,
                    f.cpuSeconds, f.cpuSeconds / count, f.status, f.flashesEqual ? "" : " (flashes differ)");
        std::fflush(stdout);
    }
    return 0;
}
