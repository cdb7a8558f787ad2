#pragma once
#include "PlainTaskTimers.h"
#include "TickClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class cmcComm;

// A clock the test moves by hand; it wraps like the platform's.
class ManualClock final : public TickClock {
public:
    explicit ManualClock(uint32_t start = 0) : now(start) {}
    uint32_t Now() const override { return now; }
    void Advance(uint32_t ms) { now += ms; }
    void Set(uint32_t value) { now = value; }

private:
    uint32_t now;
};

// The test's loop: plain timers on the system clock, turned about every
// half millisecond while the test waits for something.
class TestLoop {
public:
    TestLoop() : timers(PlatformClock()) {}

    PlainTaskTimers& Timers() { return timers; }
    // Turns the loop until done() holds or limitMs have passed; returns done().
    bool RunUntil(const std::function<bool()>& done, int limitMs = 10000);
    // Turns the loop for about ms milliseconds.
    void RunFor(int ms);

private:
    PlainTaskTimers timers;
};

// A port on the system's serial driver and COM numbering whose send task
// runs on timers.
std::unique_ptr<cmcComm> MakePlatformComm(TaskTimerSource& timers);

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path; }
    std::string Join(const std::string& name) const { return path + "/" + name; }
    void Link(const std::string& name, const std::string& target) const;
    void WriteFile(const std::string& name, const std::string& text) const;

private:
    std::string path;
};

// Sets RX77NOVA_PORT_DIR for its lifetime, then restores what was there.
class PortDirVariable {
public:
    explicit PortDirVariable(const std::string& dir);
    ~PortDirVariable();
    PortDirVariable(const PortDirVariable&) = delete;
    PortDirVariable& operator=(const PortDirVariable&) = delete;

private:
    bool hadValue = false;
    std::string oldValue;
};

// A pseudo-terminal; both ends closed on destruction.
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

// count bytes of a pattern that shows misordered, lost or doubled bytes.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);
