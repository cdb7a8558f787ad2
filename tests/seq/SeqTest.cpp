#include "RadioSeqFixture.h"

#include "OwnedImage.h"
#include "VersionCheck.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using enum SeqEvent;
using enum SeqState;

// --- without a radio --------------------------------------------------------

TEST(SeqBasics, RestsInStandbyTwoStepsAfterConstruction)
{
    clsMainSeq seq;
    EXPECT_EQ(seq.GetState(), Opening);
    EXPECT_FALSE(seq.CanStart());
    EXPECT_EQ(seq.Step(), EvNone);
    EXPECT_EQ(seq.GetState(), Reset);
    EXPECT_EQ(seq.Step(), EvNone);
    EXPECT_EQ(seq.GetState(), Standby);
    EXPECT_TRUE(seq.CanStart());
    EXPECT_EQ(seq.GetPort(), 1);
    EXPECT_EQ(seq.GetTarget(), TargetNone);
}

TEST(SeqBasics, KeyByteFromRandomNumber)
{
    struct Case {
        uint32_t random;
        uint8_t key;
    };
    // c = r mod 65536; key = (c div 255 + c mod 255) mod 256
    for (const Case& c : {Case{254, 254}, Case{255, 1}, Case{65535, 1}, Case{65536 + 254, 254}, Case{0, 0},
                          Case{510, 2}, Case{2147483647, 1}}) {
        EXPECT_EQ(clsMainSeq::KeyByteFrom(c.random), c.key) << "r = " << c.random;
    }
}

// --- evaluation -------------------------------------------------------------

struct EvalCase {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    uint8_t mark;
    std::vector<SeqEvent> events;
    int writeTime;
    int target;
    SeqState restsIn;
    bool exitSent;
};

void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.name; }

class SeqEvaluate : public RadioSeqFixture, public testing::WithParamInterface<EvalCase> {};

TEST_P(SeqEvaluate, FirstHalfAsksOrEnds)
{
    const EvalCase& c = GetParam();
    RadioOptions options;
    options.cpu = c.cpu;
    options.dsp = c.dsp;
    options.variantMark = c.mark;
    StartRadio(options);
    MakeSequencer();
    RunFirstHalf();
    EXPECT_EQ(driver->Events(), c.events);
    EXPECT_EQ(seq->GetState(), c.restsIn);
    EXPECT_EQ(seq->GetTarget(), c.target);
    if (c.writeTime >= 0) {
        EXPECT_EQ(seq->GetWriteTime(), c.writeTime);
    }
    EXPECT_EQ(Report().inUpdateMode, !c.exitSent);
    EXPECT_EQ(Report().blocksWritten, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Seq, SeqEvaluate,
    testing::Values(
        EvalCase{"both_older", CpuFirmware::Older, DspFirmware::Older, 'E', {EvConfirmUpdate}, 440, TargetNone, Confirm, false},
        EvalCase{"blank_radio", CpuFirmware::Blank, DspFirmware::Blank, 'E', {EvConfirmUpdate}, 440, TargetNone, Confirm, false},
        EvalCase{"blank_cpu_equal_dsp", CpuFirmware::Blank, DspFirmware::Same, 'E', {EvConfirmUpdate}, 440, TargetNone, Confirm, false},
        EvalCase{"equal", CpuFirmware::Same, DspFirmware::Same, 'E', {EvCompleted}, 0, TargetNone, Standby, true},
        EvalCase{"dsp_newer_alone", CpuFirmware::Same, DspFirmware::Newer, 'E', {EvConfirmDowngrade}, 90, TargetNone, Confirm, false},
        EvalCase{"cpu_newer_alone", CpuFirmware::Newer, DspFirmware::Same, 'E', {EvConfirmDowngrade}, 350, TargetNone, Confirm, false},
        EvalCase{"cpu_older_dsp_newer", CpuFirmware::Older, DspFirmware::Newer, 'E', {EvConfirmUpdate}, 440, TargetNone, Confirm, false},
        EvalCase{"cpu_newer_dsp_older", CpuFirmware::Newer, DspFirmware::Older, 'E', {EvConfirmUpdate}, 440, TargetNone, Confirm, false},
        EvalCase{"refused_radio", CpuFirmware::Older, DspFirmware::Older, 'J', {EvCannotUpdate, EvCompleted}, -1, TargetRefused, Standby, true},
        EvalCase{"cpu_text_not_allowed", CpuFirmware::BadText, DspFirmware::Older, 'E', {EvCannotUpdate, EvCompleted}, -1, TargetRefused, Standby, true},
        EvalCase{"dsp_text_not_allowed", CpuFirmware::Older, DspFirmware::BadText, 'E', {EvCannotUpdate, EvCompleted}, -1, TargetRefused, Standby, true}),
    [](const testing::TestParamInfo<EvalCase>& info) { return std::string(info.param.name); });

// --- whole updates ----------------------------------------------------------

struct UpdateCase {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    bool systemAreaMatches;
    std::vector<SeqEvent> events;  // both halves
};

void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }

class SeqUpdate : public RadioSeqFixture, public testing::WithParamInterface<UpdateCase> {};

TEST_P(SeqUpdate, WritesWhatDiffersAndEndsEqual)
{
    const UpdateCase& c = GetParam();
    RadioOptions options;
    options.cpu = c.cpu;
    options.dsp = c.dsp;
    options.systemAreaMatches = c.systemAreaMatches;
    StartRadio(options);
    MakeSequencer();
    RunToCompletion();
    EXPECT_EQ(driver->Events(), c.events);
    EXPECT_EQ(seq->GetState(), Standby);
    EXPECT_TRUE(seq->CanStart());
    EXPECT_EQ(driver->MaxProgress(), 255);
    EXPECT_FALSE(driver->ProgressEverDropped());
    ExpectFlashesEqualImages();
    const RadioReport r = Report();
    EXPECT_FALSE(r.inUpdateMode);  // the exit command ended it
    for (const SeqRecord& rec : driver->Records()) {
        EXPECT_LE(rec.progress, 255);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Seq, SeqUpdate,
    testing::Values(
        UpdateCase{"both_older", CpuFirmware::Older, DspFirmware::Older, false,
                   {EvConfirmUpdate, EvUpdatingCpu, EvUpdatingDsp, EvCompleted}},
        UpdateCase{"blank_radio", CpuFirmware::Blank, DspFirmware::Blank, false,
                   {EvConfirmUpdate, EvUpdatingCpu, EvUpdatingDsp, EvCompleted}},
        UpdateCase{"dsp_downgrade", CpuFirmware::Same, DspFirmware::Newer, false,
                   {EvConfirmDowngrade, EvUpdatingDsp, EvCompleted}},
        UpdateCase{"cpu_only_system_area_equal", CpuFirmware::Older, DspFirmware::Same, true,
                   {EvConfirmUpdate, EvUpdatingCpu, EvCompleted}}),
    [](const testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

// Counts the blocks of the CPU image that are not blank, from..below.
int DataBlocks(int32_t from, int32_t below)
{
    auto image = LoadImage(CpuImage(), cpuProfile.storeCapacity);
    int n = 0;
    for (int32_t a = from; a < below; a += 256) {
        n += image->IsBlank(a, 256) ? 0 : 1;
    }
    return n;
}

struct SystemAreaCase {
    const char* name;
    bool matches;
};

void PrintTo(const SystemAreaCase& c, std::ostream* os) { *os << c.name; }

class SeqSystemArea : public RadioSeqFixture, public testing::WithParamInterface<SystemAreaCase> {};

TEST_P(SeqSystemArea, IsCheckedAndWrittenOnlyWhenItDiffers)
{
    RadioOptions options;
    options.cpu = CpuFirmware::Older;
    options.dsp = DspFirmware::Same;
    options.systemAreaMatches = GetParam().matches;
    StartRadio(options);
    MakeSequencer();
    RunToCompletion();
    ExpectFlashesEqualImages();
    const int sysBlocks = DataBlocks(0xFFC000, 0xFFFFFF);
    const int appBlocks = DataBlocks(0xE80000, 0xFFC000);
    const RadioReport r = Report();
    if (GetParam().matches) {
        EXPECT_EQ(r.blocksChecked, 64);  // every check answered 0xFB
        EXPECT_EQ(r.blocksWritten, appBlocks);
        EXPECT_EQ(seq->GetBlocksTotal(), 2 + appBlocks);
    } else {
        EXPECT_EQ(r.blocksChecked, 1);  // the first different block ends the check
        EXPECT_EQ(r.blocksWritten, sysBlocks + appBlocks);
        EXPECT_EQ(seq->GetBlocksTotal(), 2 + sysBlocks + appBlocks);
    }
    EXPECT_EQ(seq->GetBlocksDone(), seq->GetBlocksTotal());
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqSystemArea,
                         testing::Values(SystemAreaCase{"equal_is_not_rewritten", true},
                                         SystemAreaCase{"different_is_written", false}),
                         [](const testing::TestParamInfo<SystemAreaCase>& info) { return std::string(info.param.name); });

// --- failures ---------------------------------------------------------------

struct FailCase {
    const char* name;
    const char* point;
    FaultKind kind;
    SeqEvent event;     // EvNone: the run is expected to complete despite the fault
    int target;         // target when the event came
    bool echoWriter = false;  // the radio echoes the flash-writing program
    int lateMs = 0;           // for a late answer
    bool keepsOldVersion = false;  // the radio reports its old versions after a write
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class SeqFailure : public RadioSeqFixture, public testing::WithParamInterface<FailCase> {};

TEST_P(SeqFailure, ReportsOnceRestsAndARetryCompletes)
{
    const FailCase& c = GetParam();
    RadioOptions options;
    if (c.point[0] != '\0') {
        options.faults.push_back(Fault{c.point, c.kind, c.lateMs, false});
    }
    options.echoWriter = c.echoWriter;
    options.keepsOldVersion = c.keepsOldVersion;
    StartRadio(options);
    MakeSequencer();
    RunToCompletion(60000);
    const std::vector<SeqEvent> events = driver->Events();
    if (c.event == EvNone) {
        EXPECT_EQ(events.back(), EvCompleted);
        ExpectFlashesEqualImages();
        return;
    }
    ASSERT_TRUE(Saw(c.event)) << "events: " << testing::PrintToString(events);
    EXPECT_NE(events.back(), EvCompleted);
    int failures = 0;
    for (const SeqRecord& r : driver->Records()) {
        if (r.event < EvUpdatingCpu) {
            ++failures;
            EXPECT_EQ(r.event, c.event);
            EXPECT_EQ(r.target, c.target);
        }
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(seq->GetState(), Standby);
    EXPECT_TRUE(seq->CanStart());
    EXPECT_FALSE(seq->IsInProgress());

    if (c.echoWriter || c.keepsOldVersion) {
        // An echoing radio fails every upload: the echoes of the last bytes
        // arrive where the program's answer is awaited. A radio that keeps
        // its old versions fails every run the same way.
        return;
    }
    // The owner switches the radio off and on again and retries.
    RetryAfterPowerCycle();
}

INSTANTIATE_TEST_SUITE_P(
    Seq, SeqFailure,
    testing::Values(
        FailCase{"identity_silent", "ident", FaultKind::Silent, EvNoAnswer, TargetNone},
        FailCase{"identity_too_long", "ident", FaultKind::Noise, EvNoAnswer, TargetNone},
        FailCase{"boot_silent", "boot", FaultKind::Silent, EvBoot, TargetCpu},
        FailCase{"boot_wrong_byte_ignored", "boot", FaultKind::WrongByte, EvNone, 0},
        FailCase{"marker_silent", "marker", FaultKind::Silent, EvBoot, TargetCpu},
        FailCase{"marker_wrong_byte", "marker", FaultKind::WrongByte, EvBoot, TargetCpu},
        FailCase{"sync_silent", "sync", FaultKind::Silent, EvHandshake, TargetCpu},
        FailCase{"key_silent", "key", FaultKind::Silent, EvHandshake, TargetCpu},
        FailCase{"key_wrong_byte", "key", FaultKind::WrongByte, EvHandshake, TargetCpu},
        FailCase{"model_silent", "model", FaultKind::Silent, EvModel, TargetCpu},
        FailCase{"model_wrong_byte", "model", FaultKind::WrongByte, EvCannotUpdate, TargetCpu},
        FailCase{"version_silent", "version", FaultKind::Silent, EvVersionAnswer, TargetCpu},
        FailCase{"version_wrong_byte", "version", FaultKind::WrongByte, EvCannotUpdate, TargetCpu},
        FailCase{"size_silent", "size", FaultKind::Silent, EvFirmUpload, TargetCpu},
        FailCase{"size_wrong_byte", "size", FaultKind::WrongByte, EvFirmUpload, TargetCpu},
        FailCase{"writer_echo_differs", "writer", FaultKind::WrongByte, EvFirmUpload, TargetCpu, true},
        FailCase{"writer_echo_read_as_answer", "", FaultKind::Silent, EvFirmUpload, TargetCpu, true},
        FailCase{"writer_answer_silent", "writer_aa", FaultKind::Silent, EvFirmUpload, TargetCpu},
        FailCase{"writer_answer_wrong", "writer_aa", FaultKind::WrongByte, EvFirmUpload, TargetCpu},
        FailCase{"dsp_ready_silent", "dsp.dsp_ready", FaultKind::Silent, EvFirmUpload, TargetDsp},
        FailCase{"dsp_ready_wrong", "dsp.dsp_ready", FaultKind::WrongByte, EvFirmUpload, TargetDsp},
        FailCase{"system_check_silent", "sys_check", FaultKind::Silent, EvRomData, TargetCpu},
        FailCase{"system_data_silent", "sys_data", FaultKind::Silent, EvRomData, TargetCpu},
        FailCase{"system_data_wrong", "sys_data", FaultKind::WrongByte, EvRomData, TargetCpu},
        FailCase{"data_silent", "cpu.data", FaultKind::Silent, EvRomData, TargetCpu},
        FailCase{"data_wrong_byte", "cpu.block 200", FaultKind::WrongByte, EvRomData, TargetCpu},
        FailCase{"dsp_data_wrong_byte", "dsp.block 100", FaultKind::WrongByte, EvRomData, TargetDsp},
        FailCase{"data_hang_up", "cpu.block 1000", FaultKind::HangUp, EvRomData, TargetCpu},
        FailCase{"sum_silent", "cpu.sum", FaultKind::Silent, EvRomData, TargetCpu},
        FailCase{"sum_wrong_byte", "cpu.sum", FaultKind::WrongByte, EvRomData, TargetCpu},
        FailCase{"dsp_sum_silent", "dsp.dsp_sum", FaultKind::Silent, EvRomData, TargetDsp},
        FailCase{"late_answer_within_time", "cpu.block 10", FaultKind::Late, EvNone, 0, false, 1500},
        FailCase{"late_answer_too_late", "cpu.block 10", FaultKind::Late, EvRomData, TargetCpu, false, 9000},
        FailCase{"old_version_after_write", "", FaultKind::Silent, EvFirmUpload, TargetCpu, false, 0, true}),
    [](const testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

// A radio that echoes the flash-writing program gets one byte wrong, well
// inside the first chunk the program compares: the program stops sending at
// that comparison, instead of handing the radio the rest of a program that
// it will run.
TEST_F(RadioSeqFixture, LaterEchoByteWrongStopsTheUploadAtTheCheck)
{
    RadioOptions options;
    options.echoWriter = true;
    Fault fault{"writer", FaultKind::WrongLater};
    fault.nth = 6;
    options.faults.push_back(fault);
    StartRadio(options);
    MakeSequencer();
    RunToCompletion(60000);
    const std::vector<SeqEvent> events = driver->Events();
    EXPECT_EQ(events, (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu, EvFirmUpload}));
    const RadioReport report = Report();
    EXPECT_EQ(report.faultsInjected, (std::vector<std::string>{"wrong later byte 6 at writer (main processor)"}));
    EXPECT_GE(report.writerBytesTaken, 6);
    EXPECT_LT(report.writerBytesTaken, static_cast<int>(RecordLength(FlashWriterImage()))) << FormatReport(report);
    EXPECT_EQ(seq->GetState(), Standby);
}

TEST_F(RadioSeqFixture, CutOffHalfWayLeavesAPlaceholderAndTheNextRunRestores)
{
    RadioOptions options;
    options.faults.push_back(Fault{"cpu.block 2000", FaultKind::HangUp, 0, false});
    StartRadio(options);
    MakeSequencer();
    RunToCompletion(60000);
    ASSERT_TRUE(Saw(EvRomData));
    PowerCycle();
    driver->ClearRecords();
    RunFirstHalf();
    EXPECT_EQ(driver->Events(), std::vector<SeqEvent>{EvConfirmUpdate});
    EXPECT_EQ(seq->GetWriteTime(), 440);  // the radio reports "X.XX-XXX"
    seq->StartUpdate();
    ASSERT_TRUE(driver->RunUntilResting(120000));
    EXPECT_EQ(driver->Events().back(), EvCompleted);
    ExpectFlashesEqualImages();
}

// A start that arrives before the failed run has rested must evaluate again,
// not reuse the failed run's evaluation.
TEST_F(RadioSeqFixture, StartRightAfterAFailureEvaluatesAfresh)
{
    RadioOptions options;
    options.faults.push_back(Fault{"key", FaultKind::WrongByte, 0, false});
    StartRadio(options);
    MakeSequencer();
    RunFirstHalf();
    ASSERT_EQ(seq->GetState(), Confirm);
    seq->StartUpdate();
    ASSERT_TRUE(driver->RunUntilEvent(EvHandshake, 15000));
    ASSERT_EQ(seq->GetState(), Reset);
    ASSERT_TRUE(seq->CanStart());
    PowerCycle();
    driver->ClearRecords();
    seq->StartUpdate();
    ASSERT_TRUE(driver->RunUntilResting(15000));
    EXPECT_EQ(driver->Events(), std::vector<SeqEvent>{EvConfirmUpdate});
    EXPECT_EQ(seq->GetState(), Confirm);
}

// Starts a run on COM7, where nothing is, and ticks until it fails and
// rests: the ms from the start to EvComOpen, -1 when it never came.
int64_t RunOnAMissingPort(clsMainSeq& seq, SeqDriver& driver, int limitMs)
{
    seq.SetPort(7);
    seq.StartUpdate();
    const int64_t started = driver.ElapsedMs();
    if (!driver.RunUntilEvent(EvComOpen, limitMs)) {
        return -1;
    }
    const int64_t failed = driver.Records().back().ms - started;
    EXPECT_TRUE(driver.RunUntil([&] { return seq.GetState() == Standby; }, 1000));
    EXPECT_EQ(driver.Events(), std::vector<SeqEvent>{EvComOpen});
    return failed;
}

// The port is tried once more after 3,000 ms, then given up: one tick from
// the start to the first try, then the 3,000 ms.
TEST_F(RadioSeqFixture, PortThatCannotBeOpenedFailsAfterTheRetry)
{
    StartRadio(RadioOptions{});
    MakeSequencer();
    EXPECT_EQ(RunOnAMissingPort(*seq, *driver, 10000), 3001);
}

TEST_F(RadioSeqFixture, ImageWithoutKnownVariantIsRefusedBeforeWriting)
{
    std::vector<uint8_t> plain = PlainBytes(CpuImage());
    std::memcpy(plain.data() + (cpuVariantAddress - cpuFirst), "Q-SCAN ON", 10);
    OwnedImage cpu(cpuFirst, plain);
    const FirmwareSet images{FlashWriterImage(), cpu.Record(), DspImage()};
    StartRadio(RadioOptions{});
    MakeSequencer(images);
    RunToCompletion(30000);
    EXPECT_EQ(driver->Events(), (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu, EvCannotUpdate}));
    EXPECT_EQ(seq->GetState(), Standby);
    const RadioReport r = Report();
    EXPECT_EQ(r.blocksWritten, 0);
    EXPECT_TRUE(r.packetsByCommand.empty());
}

// A flash-writing program that cannot be loaded is found before anything
// is sent to the boot loader.
TEST_F(RadioSeqFixture, WriterThatCannotBeLoadedIsRefusedBeforeWriting)
{
    const FirmwareSet images{ImageRecord{}, CpuImage(), DspImage()};
    StartRadio(RadioOptions{});
    MakeSequencer(images);
    RunToCompletion();
    EXPECT_EQ(driver->Events(), (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu, EvCannotUpdate}));
    EXPECT_EQ(seq->GetState(), Standby);
    const RadioReport r = Report();
    EXPECT_EQ(r.bootSessions, 0);
    EXPECT_TRUE(r.packetsByCommand.empty());
    EXPECT_EQ(r.blocksWritten, 0);
    EXPECT_TRUE(r.protocolErrors.empty()) << FormatReport(r);
}

struct SelectCase {
    const char* name;
    CpuFirmware cpu;
    DspFirmware dsp;
    int target;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SeqSelect : public RadioSeqFixture, public testing::WithParamInterface<SelectCase> {};

// The radio changes between the question and the confirmation.
TEST_P(SeqSelect, TextNotAllowedAfterConfirmation)
{
    StartRadio(RadioOptions{});
    MakeSequencer();
    RunFirstHalf();
    ASSERT_EQ(seq->GetState(), Confirm);
    RadioOptions other;
    other.cpu = GetParam().cpu;
    other.dsp = GetParam().dsp;
    StartRadio(other);
    driver->ClearRecords();
    seq->StartUpdate();
    ASSERT_TRUE(driver->RunUntilResting(15000));
    EXPECT_EQ(driver->Events(), std::vector<SeqEvent>{EvVersion});
    EXPECT_EQ(seq->GetTarget(), GetParam().target);
    EXPECT_EQ(seq->GetState(), Standby);
}

INSTANTIATE_TEST_SUITE_P(Seq, SeqSelect,
                         testing::Values(SelectCase{"cpu", CpuFirmware::BadText, DspFirmware::Older, TargetCpu},
                                         SelectCase{"dsp", CpuFirmware::Same, DspFirmware::BadText, TargetDsp}),
                         [](const testing::TestParamInfo<SelectCase>& info) { return std::string(info.param.name); });

// --- the real path: pseudo-terminal, termios, the radio's thread, real time ---

class SeqOverPty : public RadioSeqFixture {
protected:
    SeqOverPty() : RadioSeqFixture(SeqLine::Pty) {}
};

TEST_F(SeqOverPty, WholeUpdateOfBothProcessors)
{
    AttemptOnFreshRadios(RadioOptions{}, [&] {
        RunToCompletion();
        EXPECT_EQ(driver->Events(), (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu, EvUpdatingDsp, EvCompleted}))
            << FormatReport(Report());
        EXPECT_EQ(driver->MaxProgress(), 255);
        EXPECT_FALSE(driver->ProgressEverDropped());
        ExpectFlashesEqualImages();
        EXPECT_TRUE(driver->RunUntil([&] { return !Report().inUpdateMode; }, 5000));  // the exit command
    });
}

TEST_F(SeqOverPty, HangUpInTheDataThenARetryCompletes)
{
    RadioOptions options;
    options.faults.push_back(Fault{"cpu.block 1000", FaultKind::HangUp, 0, false});
    // The cut and the retry together: a retry a stalled machine spoiled may
    // have written both flashes before it failed, so the next attempt
    // starts again from a fresh radio with the cut, not from that one.
    AttemptOnFreshRadios(options, [&] {
        RunToCompletion();
        EXPECT_EQ(driver->Events(), (std::vector<SeqEvent>{EvConfirmUpdate, EvUpdatingCpu, EvRomData}));
        EXPECT_EQ(seq->GetState(), Standby);
        RetryAfterPowerCycle();
    });
}

// Real time: never earlier than the 3,000 ms; later only as the machine's load makes it.
TEST_F(SeqOverPty, PortThatCannotBeOpenedFailsAfterTheRetry)
{
    StartRadio(RadioOptions{});
    MakeSequencer();
    EXPECT_GE(RunOnAMissingPort(*seq, *driver, 30000), 3000);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
