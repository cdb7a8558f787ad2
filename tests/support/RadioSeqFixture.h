#pragma once
#include <functional>
// The sequencer and the emulated radio, ticked the way the window ticks.
// On the in-memory cable (the default) both run in the test's thread on a
// clock that moves only when nothing can happen otherwise: no waiting, and
// every time-out exact. Over a pseudo-terminal they run on the real clock,
// with the radio in its own thread and the real termios driver, reached as
// COM5 of a port folder of the fixture's own.
#include "EmulatedRadio.h"
#include "FirmImages.h"
#include "ManualClock.h"
#include "MemoryRadio.h"
#include "SeqDriver.h"
#include "SeqPrint.h"
#include "TempDir.h"
#include "VirtualPace.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// What carries the bytes, and with it which clock the sequencer runs on.
enum class SeqLine {
    Memory,  // the in-memory cable on a virtual clock
    Pty,     // a pseudo-terminal on the real clock
};

class RadioSeqFixture : public testing::Test {
protected:
    static constexpr int RadioCom = 5;

    explicit RadioSeqFixture(SeqLine line = SeqLine::Memory);
    ~RadioSeqFixture() override;

    // A radio in update mode at COM5; called again, another radio takes the
    // first one's place.
    void StartRadio(const RadioOptions& options);
    // The sequencer on COM5, come to rest in Standby.
    void MakeSequencer(const FirmwareSet& images = BuiltInFirmware());
    // The radio switched off and on in update mode; on a pty it keeps its port.
    void PowerCycle();
    RadioReport Report() const;

    // From a resting state to the next: connect, identify, evaluate.
    void RunFirstHalf(int timeoutMs = 15000);
    // A whole run, answering Yes to the question.
    void RunToCompletion(int timeoutMs = 600000);
    // The owner switches the radio off and on and starts again: the new run
    // completes and leaves both flashes equal to the images.
    void RetryAfterPowerCycle();
    // Starts a radio with options and a sequencer, and runs attempt; over a
    // pseudo-terminal again on a fresh radio and sequencer when a stalled
    // machine spoiled it (LineAttempts.h).
    void AttemptOnFreshRadios(const RadioOptions& options, const std::function<void()>& attempt);
    bool Saw(SeqEvent event) const;
    void ExpectFlashesEqualImages() const;
    // The ms since the driver began of the first record of event; -1 when none.
    int64_t MsOf(SeqEvent event) const;

    // Over a pty: the radio and the folder its COM5 link lies in.
    EmulatedRadio& PtyRadio() { return *ptyRadio; }
    const std::string& PortDir() const { return portDir.Path(); }

    SeqLine line;
    std::unique_ptr<clsMainSeq> seq;
    std::unique_ptr<SeqDriver> driver;

private:
    ManualClock clock{0x7FFF0000};  // the count wraps during a long run
    std::unique_ptr<MemoryRadio> memoryRadio;
    std::unique_ptr<VirtualPace> pace;
    std::unique_ptr<EmulatedRadio> ptyRadio;
    TempDir portDir;
};
