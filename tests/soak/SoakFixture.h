#pragma once
// A sequencer on real time, ticked like the window ticks it (1 ms between
// ticks), talking to the emulated radio over a pseudo-terminal reached
// through a temporary port folder.
#include "EmulatedRadio.h"
#include "FirmImages.h"
#include "SeqDriver.h"
#include "SeqPrint.h"
#include "clsMainSeq.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

constexpr int SoakCom = 7;

class SoakFixture : public testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/rx77soakXXXXXX";
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
        std::error_code ignored;
        std::filesystem::remove_all(portDir, ignored);
    }

    void StartRadio(const RadioOptions& options)
    {
        radio = std::make_unique<EmulatedRadio>(options);
        ASSERT_TRUE(radio->Start()) << radio->Error();
        ASSERT_TRUE(radio->LinkAs(portDir, SoakCom));
    }

    void MakeSequencer()
    {
        seq = std::make_unique<clsMainSeq>(BuiltInFirmware());
        seq->SetPort(SoakCom);
        driver = std::make_unique<SeqDriver>(*seq);
        ASSERT_TRUE(driver->RunUntil([&] { return seq->GetState() == SeqState::Standby; }, 100));
    }

    // From a resting state to the next: connect, identify, evaluate.
    void RunFirstHalf()
    {
        ASSERT_TRUE(seq->CanStart());
        seq->StartUpdate();
        ASSERT_TRUE(driver->RunUntilResting(15000)) << "state " << seq->GetState();
    }

    // A whole update, answering Yes to the question.
    void RunToCompletion()
    {
        RunFirstHalf();
        if (seq->GetState() == SeqState::Confirm) {
            seq->StartUpdate();
            ASSERT_TRUE(driver->RunUntilResting(60000)) << "state " << seq->GetState();
        }
    }

    // The update ended with the exit command after writing the DSP (a
    // refused radio also ends with EvCompleted, with nothing written).
    bool WroteDsp() const
    {
        return !driver->Events().empty() && driver->Events().back() == SeqEvent::EvCompleted
            && seq->GetTarget() == TargetDsp;
    }

    void ExpectFlashesEqualImages()
    {
        const RadioReport r = radio->Report();
        EXPECT_TRUE(r.cpu.matchesImage) << "CPU flash differs at " << std::hex << r.cpu.firstDifference;
        EXPECT_TRUE(r.dsp.matchesImage) << "DSP flash differs at " << std::hex << r.dsp.firstDifference;
        EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
    }

    std::string portDir;
    std::unique_ptr<EmulatedRadio> radio;
    std::unique_ptr<clsMainSeq> seq;
    std::unique_ptr<SeqDriver> driver;
};
