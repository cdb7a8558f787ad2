#pragma once
// What a test can see of a running copy of the program from outside it.
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/types.h>

// True once the program has built its windows: its tick worker's thread,
// named after its class, is there.
inline bool HasWorkerThread(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name == "thrProg") {
            return true;
        }
    }
    return false;
}
