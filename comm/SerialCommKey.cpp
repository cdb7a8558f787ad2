#include "SerialCommKey.h"

#include <cstring>
#include <windows.h>

namespace {

constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The string data of a value; empty when it cannot be read.
std::string StringValue(HKEY key, const std::string& name)
{
    char data[256] {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return std::string(data, strnlen(data, size));
}

} // namespace

std::vector<SerialCommEntry> ReadSerialCommKey()
{
    std::vector<SerialCommEntry> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return entries;
    }
    for (DWORD index = 0;; ++index) {
        char name[16384];  // the longest value name the registry allows
        DWORD length = sizeof name;
        const LONG result = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result == ERROR_SUCCESS) {
            const std::string device(name, length);
            entries.push_back({device, StringValue(key, device)});
        }
    }
    RegCloseKey(key);
    return entries;
}
