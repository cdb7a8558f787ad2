// libFuzzer's entry for one target, named by RX_FUZZ_TARGET at compile time.
#include "FuzzTargets.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef RX_FUZZ_TARGET
#error "RX_FUZZ_TARGET names the target function"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string problem = RX_FUZZ_TARGET(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "fuzz finding: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
