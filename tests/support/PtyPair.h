#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A pseudo-terminal; both ends closed on destruction. The controlling side
// (master) does not block.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master >= 0 && slave >= 0; }
    int Master() const { return master; }
    int Slave() const { return slave; }
    const std::string& SlavePath() const { return slavePath; }
    void CloseMaster();
    // Puts the device side in raw mode, as a serial line to a radio is.
    bool MakeRaw() const;

    // Reads from the master until count bytes came or limitMs passed.
    std::vector<uint8_t> ReadMaster(size_t count, int limitMs = 5000) const;
    // Bytes waiting at the master now, without waiting.
    std::vector<uint8_t> ReadMasterNow() const;
    bool WriteMaster(const std::vector<uint8_t>& bytes) const;

private:
    int master = -1;
    int slave = -1;
    std::string slavePath;
};
