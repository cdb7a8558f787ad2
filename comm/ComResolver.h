#pragma once
#include <functional>
#include <optional>
#include <string>

// One numbered COM port and the device it stands for.
struct ComPort {
    int number = 0;     // 1 ... 256
    std::string path;   // what the port opens
    bool present = false; // a device is there (offered in the port list)
};

// The device a COM number opens; none for a number that names no port.
using ComResolver = std::function<std::optional<std::string>(int number)>;
