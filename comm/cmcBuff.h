#pragma once
#include <cstdint>
#include <memory>

// Growable byte queue: bytes are appended at the end and taken from the
// front. Taking from the front only moves the head; the storage is
// compacted once more than 4,096 bytes have been taken.
class cmcBuff {
public:
    cmcBuff();
    cmcBuff(const cmcBuff&) = delete;
    cmcBuff& operator=(const cmcBuff&) = delete;

    void Clear();
    int32_t SetLength(int32_t n);
    int32_t Length() const { return count; }
    // Bytes available from the head to the end of the storage.
    int32_t Room() const { return room; }
    uint8_t* Data() { return head; }
    const uint8_t* Data() const { return head; }
    void Add(uint8_t byte);
    void Append(const uint8_t* data, int32_t n);
    void Assign(const uint8_t* data, int32_t n);
    // Index must be below Length(); anything else ends the process.
    uint8_t* At(int32_t index);
    int Pop();
    void Compact();

private:
    bool HoldsPointer(const uint8_t* p) const;
    void Reallocate(int32_t newRoom);

    std::unique_ptr<uint8_t[]> storage;
    int32_t storageSize = 0;
    uint8_t* head = nullptr;
    int32_t count = 0;
    int32_t room = 0;
    uint8_t fill = 0;
};
