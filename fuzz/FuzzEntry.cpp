// libFuzzer's entry for one target, named by RX_FUZZ_TARGET at compile time.
#include "FuzzTargets.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef RX_FUZZ_TARGET
#error "RX_FUZZ_TARGET names the target function"
#endif

namespace {

void RemovePortDir()
{
    const char* dir = std::getenv("RX77NOVA_PORT_DIR");
    if (dir != nullptr) {
        std::remove((std::string(dir) + "/com1").c_str());
        std::remove(dir);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    if (std::getenv("RX77NOVA_PORT_DIR") == nullptr) {
        if (PrepareFuzzPortDir().empty()) {
            std::fprintf(stderr, "cannot make a port folder\n");
            std::abort();
        }
        std::atexit(RemovePortDir);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string problem = RX_FUZZ_TARGET(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "fuzz finding: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
