#pragma once

#include "PtyLink.h"
#include "RadioLine.h"
#include "RadioOptions.h"
#include "RadioReport.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An RX-77NOVA in update mode at the end of a pseudo-terminal: a worker
// thread serves the master side with the radio's boot loader, while the
// program under test opens the slave side as its COM port.
class EmulatedRadio {
public:
    explicit EmulatedRadio(RadioOptions options);
    ~EmulatedRadio();
    EmulatedRadio(const EmulatedRadio&) = delete;
    EmulatedRadio& operator=(const EmulatedRadio&) = delete;

    // Opens the pseudo-terminal and starts serving; false (see Error()) when
    // the options cannot be met or the terminal cannot be had.
    bool Start();
    std::string DevicePath() const;
    // DIR/comN -> the slave device, as RX77NOVA_PORT_DIR expects.
    bool LinkAs(const std::string& dir, int com);
    // Off and on again in update mode: the protocol starts over, a silent
    // radio talks again, a hung-up one gets a new line (and its link is
    // moved there), a line left exclusive by a killed program can be opened
    // again; the flash is kept.
    void PowerCycle();
    // Stops serving, closes the terminal and removes the link.
    void Stop();

    RadioReport Report() const;
    // A copy of `count` bytes of one flash (0xFF outside it).
    std::vector<uint8_t> ReadFlash(bool dsp, uint32_t address, uint32_t count) const;
    std::string Error() const;

private:
    void Serve();
    // One round of the worker, under the lock; how long it may sleep.
    RadioLine::Clock::duration Round(RadioLine::Clock::time_point now, bool readable, bool& wantRead);
    void Receive(RadioLine::Clock::time_point now, bool& drained);
    void Transmit(RadioLine::Clock::time_point now);
    void HangUp();
    void Wake();

    mutable std::mutex lock;
    RadioLine radio;
    PtyLink line;
    std::string error;

    std::thread worker;
    std::atomic<bool> stopping{false};
    int wakeRead = -1;
    int wakeWrite = -1;
};
