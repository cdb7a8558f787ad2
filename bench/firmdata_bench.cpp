// Costs of the firmware data work that runs on the user-interface thread.
#include "FirmImages.h"
#include "Targets.h"
#include "VersionCheck.h"
#include "ScrambleKey.h"
#include "clsPacket.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// Identity answer equal to the built-in sample versions, so that both
// targets get past the placeholder test and load their image.
std::vector<uint8_t> SampleIdent()
{
    const char text[] = "1.05-120 01020035";
    return std::vector<uint8_t>(text, text + identLength);
}

void BM_LoadCpuImage(benchmark::State& state)
{
    for (auto _ : state) {
        auto store = LoadImage(CpuImage(), cpuProfile.storeCapacity);
        benchmark::DoNotOptimize(store.get());
    }
}
BENCHMARK(BM_LoadCpuImage)->Unit(benchmark::kMillisecond);

void BM_CompareVersion(benchmark::State& state)
{
    const std::vector<uint8_t> ident = SampleIdent();
    const int target = static_cast<int>(state.range(0));
    for (auto _ : state) {
        bool invalid = false;
        bool refused = false;
        benchmark::DoNotOptimize(CompareVersion(ident.data(), target, invalid, refused, BuiltInFirmware()));
    }
}
BENCHMARK(BM_CompareVersion)->Arg(TargetCpu)->Arg(TargetDsp)->Unit(benchmark::kMillisecond);

void BM_BlankBlocks(benchmark::State& state)
{
    const auto store = LoadImage(CpuImage(), cpuProfile.storeCapacity);
    for (auto _ : state) {
        int blank = 0;
        for (int32_t block = 0; block < 65536; ++block)
            blank += store->IsBlank(block * 256, 256) ? 1 : 0;
        benchmark::DoNotOptimize(blank);
    }
}
BENCHMARK(BM_BlankBlocks)->Unit(benchmark::kMillisecond);

void BM_SumCpuRange(benchmark::State& state)
{
    const auto store = LoadImage(CpuImage(), cpuProfile.storeCapacity);
    for (auto _ : state)
        benchmark::DoNotOptimize(store->Sum(static_cast<int32_t>(cpuFirst), static_cast<int32_t>(cpuLast)));
}
BENCHMARK(BM_SumCpuRange)->Unit(benchmark::kMillisecond);

void BM_MakeData256(benchmark::State& state)
{
    const auto store = LoadImage(CpuImage(), cpuProfile.storeCapacity);
    uint8_t block[256];
    store->Read(static_cast<int32_t>(cpuFirst), 256, block);
    clsPacket packet;
    packet.SetSeed(0x12, counterSeed);
    std::vector<uint8_t> out(2 * (256 + 7));
    for (auto _ : state) {
        packet.MakeData(block, cpuFirst, 256, 0x08);
        packet.CopyTo(out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MakeData256)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
