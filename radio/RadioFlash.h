#pragma once

#include <cstdint>
#include <vector>

// One flash memory of the radio, first ... last inclusive. Erased bytes
// read 0xFF. `intact` says whether the firmware in it is complete: it is
// cleared by an erase and set again by a sum that matches.
class RadioFlash {
public:
    RadioFlash(uint32_t first, uint32_t last);

    uint32_t First() const { return first; }
    uint32_t Last() const { return last; }
    bool Contains(uint32_t address, uint32_t count) const;

    // Callers keep to Contains(); out-of-range parts are left alone.
    void Write(uint32_t address, const uint8_t* data, uint32_t count);
    void Read(uint32_t address, uint32_t count, uint8_t* out) const;
    bool Equals(uint32_t address, const uint8_t* data, uint32_t count) const;
    void Erase(uint32_t from, uint32_t to);
    uint16_t Sum(uint32_t from, uint32_t to) const;

    const std::vector<uint8_t>& Bytes() const { return bytes; }
    // First address where the two differ, or -1.
    int64_t FirstDifference(const std::vector<uint8_t>& other) const;

    bool intact = false;

private:
    uint32_t first;
    uint32_t last;
    std::vector<uint8_t> bytes;
};
