// Takes the program's single-instance lock, prints "first" or "second", and
// with the argument "hold" keeps it until standard input closes.
#include "clsEnviron.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    clsEnviron guard(clsEnviron::MutexName);
    std::printf("%s\n", guard.IsFirstInstance() ? "first" : "second");
    std::fflush(stdout);
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        char c;
        while (read(0, &c, 1) > 0) {
        }
    }
    return 0;
}
