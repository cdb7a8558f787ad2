#pragma once

#include <cstdint>
#include <memory>

// Memory image by radio address. Addresses nobody placed read as the fill
// byte, like erased flash. Only a window of `capacity` bytes is kept; it
// slides along the address space as blocks are placed.
//
// Reads only ever look at the recorded range (first ... last); outside it
// every address reads as the fill byte anyway. So only the window bytes of
// that range are kept up to date: the fill byte is written where a
// placement widens the range, not over the whole window at Clear. A store
// of 16 MiB that holds an image of 1.5 MiB then touches the pages of that
// image only, and the rest of the window costs no memory.
class clsMotS {
public:
    explicit clsMotS(uint32_t capacity);
    clsMotS(const clsMotS&) = delete;
    clsMotS& operator=(const clsMotS&) = delete;

    // Sets the fill byte and empties the store, so that every address reads
    // as the fill byte; the window stays where it was.
    void Clear(uint8_t fillByte);

    // Room for `count` bytes standing for address ... address + count - 1,
    // or null when refused. Bytes not placed before hold the fill byte.
    // Valid until the next Place or Clear.
    uint8_t* Place(int32_t address, uint32_t count);

    uint8_t GetByte(int32_t address) const;
    bool IsBlank(int32_t address, int32_t count) const;
    int32_t Read(int32_t address, int32_t count, uint8_t* out) const;
    // 16-bit sum of the bytes from..to, both inclusive; 0 when to < from.
    uint16_t Sum(int32_t from, int32_t to) const;

    int32_t FirstAddress() const { return first; }
    int32_t LastAddress() const { return last; }
    int32_t Length() const;
    uint32_t Capacity() const { return capacity; }

private:
    bool IsEmpty() const { return first < 0 || last < 0; }
    int64_t WindowEnd() const { return int64_t{base} + capacity - 1; }
    // Start and end of the part of from..to that is held in the window.
    bool HeldRange(int64_t from, int64_t to, int64_t& heldFrom, int64_t& heldTo) const;
    // Moves the window to start at newBase; the recorded range keeps its bytes.
    void MoveWindow(int64_t newBase);
    // Writes the fill byte over the window bytes of from..to.
    void FillRange(int64_t from, int64_t to);

    uint32_t capacity;
    std::unique_ptr<uint8_t[]> window;
    int32_t base = 0;
    uint8_t fill = 0xFF;
    int32_t first = -1;
    int32_t last = -1;
};
