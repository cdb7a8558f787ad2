#pragma once

#include "BootLoader.h"
#include "RadioOptions.h"
#include "RadioReport.h"
#include "ReceivePacer.h"
#include "SendQueue.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The radio's side of the cable without the cable: its boot loader, its
// paced receive and transmit lines and what went over them. The pty radio
// and the in-memory link both carry bytes through one of these, so the two
// behave alike; each only moves the bytes and tells the time.
class RadioLine {
public:
    using Clock = SendQueue::Clock;

    explicit RadioLine(const RadioOptions& options);

    // Fills the flashes; false, with the reason, when the options cannot be met.
    bool SetUp(std::string& error);

    bool Paced() const { return receivePacer.Paced(); }
    // Paced input is waiting at `now`: true when the radio may take one more byte.
    bool MayTake(Clock::time_point now) { return receivePacer.MayTake(now); }
    Clock::time_point NextTake() const { return receivePacer.NextAllowed(); }
    void Drained() { receivePacer.Drained(); }

    // Bytes the radio took at `now`. lineOk says whether the program's side
    // was set to 38400 8N1 (speed for the message); at another setting the
    // radio sees only garbage and drops them. False when an answer hung up
    // the line: the rest is not taken.
    bool Take(const uint8_t* bytes, size_t count, Clock::time_point now, bool lineOk, long speed);

    // The radio's answers due at `now`, up to room bytes; Sent(n) drops
    // the n that went out.
    size_t CopyDue(Clock::time_point now, uint8_t* out, size_t room) const { return sendQueue.CopyDue(now, out, room); }
    void Sent(size_t count);
    std::optional<Clock::time_point> NextDue() const { return sendQueue.NextDue(); }

    // Off and on in update mode: the protocol starts over, answers in
    // flight are lost, a hung-up line is usable again; the flash is kept.
    void PowerCycle();
    // The line is gone (no new one after a power cycle): answers are dropped.
    void HangUp();
    bool HungUp() const { return hungUp; }

    void FillReport(RadioReport& report) const;
    std::vector<uint8_t> ReadFlash(bool dsp, uint32_t address, uint32_t count) const;

private:
    void NoteRequest(int request, Clock::time_point now);

    RadioOptions options;
    BootLoader loader;
    SendQueue sendQueue;
    ReceivePacer receivePacer;
    uint64_t bytesReceived = 0;
    uint64_t bytesSent = 0;
    bool hungUp = false;
    bool lineWarned = false;
    std::vector<Emission> answers;
    // When each kind of request was last heard, and how often one came
    // again sooner than the program ever repeats it.
    std::map<int, Clock::time_point> lastHeard;
    int requestsHeldBack = 0;
};
