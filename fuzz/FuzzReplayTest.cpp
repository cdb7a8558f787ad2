// Every file of each seed corpus, findings included, through its fuzz
// target: each must be handled soundly (the target returns no problem).
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    std::string (*run)(const uint8_t*, size_t);
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryCorpusFileIsHandled)
{
    const fs::path dir = fs::path(RX_FUZZ_CORPUS) / GetParam().name;
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        if (e.is_regular_file()) {
            files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no seeds in " << dir;
    for (const fs::path& file : files) {
        const std::vector<uint8_t> bytes = ReadAll(file);
        EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), "") << file.filename();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         testing::Values(Target{"sequencer", FuzzSequencer}, Target{"radio", FuzzRadio},
                                         Target{"text", FuzzText}),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
