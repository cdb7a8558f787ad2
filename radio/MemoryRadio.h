#pragma once

#include "RadioLine.h"
#include "RadioOptions.h"
#include "RadioReport.h"
#include "SerialDriver.h"
#include "TickClock.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// An RX-77NOVA in update mode at the end of an in-memory cable: what the
// program writes reaches the radio's boot loader in the same thread, and
// the answers become readable input, all on the program's own clock. Paced,
// each byte takes its time on the line both ways, counted on that clock.
// No thread, no terminal, no sleep: a test can run its clock as fast as
// nothing happens.
class MemoryRadio {
public:
    // The clock must outlive the radio and every cable it gave out.
    MemoryRadio(const RadioOptions& options, const TickClock& clock);
    MemoryRadio(const MemoryRadio&) = delete;
    MemoryRadio& operator=(const MemoryRadio&) = delete;

    // Fills the flashes; false, with the reason, when the options cannot be met.
    bool SetUp(std::string& error);
    // Another radio, made from these options, at the end of the same cable:
    // what was in flight to or from the old one is lost.
    bool Swap(const RadioOptions& options, std::string& error);

    // The program's end of the cable, as the serial port's driver; it opens
    // whatever path it is given. The radio must outlive it.
    std::unique_ptr<SerialDriver> Cable();

    // The next clock reading at which a byte moves on the line; none while
    // nothing is in flight.
    std::optional<uint32_t> NextMove();

    // Off and on again in update mode: the protocol starts over, bytes in
    // flight to the radio are lost, a hung-up line works again; the flash is kept.
    void PowerCycle();

    // Bytes the program has written and read so far: a harness sees by it
    // whether a tick did anything on the line.
    uint64_t BytesMoved() const { return bytesMoved; }

    RadioReport Report() const;
    std::vector<uint8_t> ReadFlash(bool dsp, uint32_t address, uint32_t count) const;

    // The cable's side, as the driver calls it.
    int Open();
    void Close() { open = false; }
    bool Purge();
    bool Configure(const LineSettings& settings);
    uint32_t InQueue();
    uint32_t OutQueue();
    uint32_t Read(uint8_t* buffer, uint32_t count);
    uint32_t Write(const uint8_t* data, uint32_t count);

private:
    // Moves every byte that is due by now, both ways.
    void CatchUp();
    RadioLine::Clock::time_point Now();
    bool LineOk() const;

    std::unique_ptr<RadioLine> radio;
    const TickClock& clock;
    uint32_t lastReading = 0;
    int64_t elapsedMs = 0;   // the clock's readings, unwrapped
    bool open = false;
    LineSettings line;
    std::deque<uint8_t> toRadio;    // written, not yet taken by the radio
    std::deque<uint8_t> toProgram;  // arrived, not yet read
    uint64_t bytesMoved = 0;
};
