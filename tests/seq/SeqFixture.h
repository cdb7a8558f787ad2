#pragma once
// A sequencer talking to the emulated radio over a real pseudo-terminal,
// reached through a temporary port directory as COM5.
#include "EmulatedRadio.h"
#include "FirmImages.h"
#include "TickClock.h"
#include "SeqDriver.h"
#include "SeqPrint.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <memory>
#include <string>

constexpr int RadioCom = 5;

// The sequencer's time runs this many times faster than real time, so that
// time-outs and prescribed waits cost less while their order and ratios stay
// as they are. The emulated radio answers in well under a millisecond.
constexpr uint32_t TimeScale = 2;

class ScaledClock : public TickClock {
public:
    uint32_t Now() const override { return PlatformClock().Now() * TimeScale; }
};

class SeqFixture : public testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/rx77seqXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        portDir = tmpl;
        setenv("RX77NOVA_PORT_DIR", portDir.c_str(), 1);
    }

    void TearDown() override
    {
        driver.reset();
        seq.reset();
        if (radio) {
            radio->Stop();
        }
        radio.reset();
        std::system(("rm -rf '" + portDir + "'").c_str());
    }

    void StartRadio(const RadioOptions& options)
    {
        radio = std::make_unique<EmulatedRadio>(options);
        ASSERT_TRUE(radio->Start());
        ASSERT_TRUE(radio->LinkAs(portDir, RadioCom));
    }

    void MakeSequencer(const FirmwareSet& images = BuiltInFirmware())
    {
        seq = std::make_unique<clsMainSeq>(images, SeqPlatform {.clock = &clock, .hold = [](int ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms / TimeScale));
        }});
        seq->SetPort(RadioCom);
        driver = std::make_unique<SeqDriver>(*seq, 300);
        ASSERT_TRUE(driver->RunUntil([&] { return seq->GetState() == SeqState::Standby; }, 100));
    }

    // First half of a run: connect, identify, evaluate; rests when done.
    void RunFirstHalf(int timeoutMs = 15000)
    {
        ASSERT_TRUE(seq->CanStart());
        seq->StartUpdate();
        ASSERT_TRUE(driver->RunUntilResting(timeoutMs)) << "state " << seq->GetState();
    }

    // A whole run from Standby to the end, confirming when asked.
    void RunToCompletion(int timeoutMs = 120000)
    {
        RunFirstHalf();
        if (seq->GetState() == SeqState::Confirm) {
            seq->StartUpdate();
            ASSERT_TRUE(driver->RunUntilResting(timeoutMs)) << "state " << seq->GetState();
        }
    }

    bool Saw(SeqEvent event) const
    {
        for (SeqEvent e : driver->Events()) {
            if (e == event) {
                return true;
            }
        }
        return false;
    }

    void ExpectFlashesEqualImages()
    {
        const RadioReport r = radio->Report();
        EXPECT_TRUE(r.cpu.matchesImage) << "CPU flash differs at " << std::hex << r.cpu.firstDifference;
        EXPECT_TRUE(r.dsp.matchesImage) << "DSP flash differs at " << std::hex << r.dsp.firstDifference;
        EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
    }

    std::string portDir;
    ScaledClock clock;
    std::unique_ptr<EmulatedRadio> radio;
    std::unique_ptr<clsMainSeq> seq;
    std::unique_ptr<SeqDriver> driver;
};
