// The output that never holds the loop up, on real pipes, a full device and
// a stopped pseudo-terminal: nothing here may block (a hang is the failure),
// what cannot be written is held up to the capacity and the rest counted,
// a dead output fails without ending the process, and the descriptor's own
// open file (shared with the shell) keeps its flags.
#include "OutputWriter.h"
#include "PtyPair.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr size_t Capacity = 1000;

// A numbered line of 20 bytes: "line 000042 .......\n".
std::string Line(int n)
{
    char text[32];
    std::snprintf(text, sizeof text, "line %06d .......\n", n);
    return text;
}

// Everything readable from fd now.
std::string Drain(int fd)
{
    std::string text;
    char block[4096];
    for (;;) {
        pollfd in {fd, POLLIN, 0};
        if (poll(&in, 1, 0) <= 0 || (in.revents & POLLIN) == 0) {
            return text;
        }
        const ssize_t n = read(fd, block, sizeof block);
        if (n <= 0) {
            return text;
        }
        text.append(block, static_cast<size_t>(n));
    }
}

class OutputWriterPipe : public testing::Test {
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN);  // as the program does
        ASSERT_EQ(pipe(ends), 0);
        fcntl(ends[1], F_SETPIPE_SZ, 4096);  // fills after a few lines
        flagsBefore = fcntl(ends[1], F_GETFL);
    }
    void TearDown() override
    {
        for (const int fd : ends) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    int ends[2] = {-1, -1};
    int flagsBefore = 0;
};

// Nobody reads: the writer goes on taking text without waiting, holds what
// fits, counts the rest, and once the reader comes, everything held arrives
// in order, followed by the line that says how much was left out.
TEST_F(OutputWriterPipe, FullPipeNeverBlocksAndSaysWhatWasLeftOut)
{
    std::string given;
    size_t dropped = 0;
    {
        OutputWriter writer(ends[1], Capacity);
        std::ostream out(&writer);
        for (int n = 0; n < 2000; ++n) {  // 40 KB into a 4 KiB pipe
            out << Line(n) << std::flush;
            given += Line(n);
        }
        EXPECT_FALSE(writer.Failed());
        EXPECT_LE(writer.Held(), Capacity);
        EXPECT_GT(writer.Held(), Capacity - Line(0).size());
        dropped = writer.DroppedBytes();
        EXPECT_GT(dropped, 30000u);
        EXPECT_FALSE(writer.Finish(100)) << "a full pipe cannot take what is held";
        EXPECT_EQ(fcntl(ends[1], F_GETFL), flagsBefore) << "the shared open file keeps its flags";

        std::string read;
        const bool done = writer.Finish(30000, [&] {
            read += Drain(ends[0]);
            return false;
        });
        EXPECT_TRUE(done);
        read += Drain(ends[0]);
        // Whole lines only, in order, none twice: what went out is a prefix of
        // what was given, and the note follows it.
        const std::string note = OutputWriter::DroppedLine(dropped);
        ASSERT_GE(read.size(), note.size());
        EXPECT_EQ(read.substr(read.size() - note.size()), note);
        const std::string lines = read.substr(0, read.size() - note.size());
        EXPECT_EQ(lines, given.substr(0, lines.size()));
        EXPECT_EQ(lines.size() + dropped, given.size());
        EXPECT_EQ(lines.size() % Line(0).size(), 0u);

        // Once it moves, text goes straight through again.
        out << "after\n" << std::flush;
        EXPECT_EQ(Drain(ends[0]), "after\n");
    }
    EXPECT_EQ(fcntl(ends[1], F_GETFL), flagsBefore);
}

// The reader gone: the writer fails with EPIPE instead of ending the
// process, drops everything from then on, and never blocks again.
TEST_F(OutputWriterPipe, ClosedReaderFailsWithoutEndingTheProcess)
{
    OutputWriter writer(ends[1], Capacity);
    std::ostream out(&writer);
    out << "before\n" << std::flush;
    EXPECT_EQ(Drain(ends[0]), "before\n");
    close(ends[0]);
    ends[0] = -1;
    out << "lost\n" << std::flush;
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.Error(), EPIPE);
    EXPECT_FALSE(writer.ErrorText().empty());
    for (int n = 0; n < 1000; ++n) {
        out << Line(n) << std::flush;
    }
    EXPECT_EQ(writer.Held(), 0u);
    EXPECT_TRUE(out.good()) << "the stream itself never refuses: Failed() says it";
    EXPECT_FALSE(writer.Finish(1000));
}

// A reader that went before the first write (the pipe cannot even be
// opened again): the same failure.
TEST_F(OutputWriterPipe, ReaderGoneBeforeTheStart)
{
    close(ends[0]);
    ends[0] = -1;
    OutputWriter writer(ends[1], Capacity);
    writer.sputn("x\n", 2);
    writer.pubsync();
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.Error(), EPIPE);
    EXPECT_EQ(fcntl(ends[1], F_GETFL), flagsBefore);
}

TEST(OutputWriter, FullDeviceFails)
{
    const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        OutputWriter writer(fd);
        writer.sputn("text\n", 5);
        EXPECT_FALSE(writer.Finish(1000));
        EXPECT_TRUE(writer.Failed());
        EXPECT_EQ(writer.Error(), ENOSPC);
    }
    close(fd);
}

// A terminal whose output is stopped (Ctrl+S): the writer holds and drops
// instead of waiting, the terminal's open file keeps its flags, and once
// the output goes on (Ctrl+Q) what was held arrives with the note.
TEST(OutputWriter, StoppedTerminalNeverBlocks)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const int flagsBefore = fcntl(pty.Slave(), F_GETFL);
    termios mode {};
    ASSERT_EQ(tcgetattr(pty.Slave(), &mode), 0);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // the bytes as written
    ASSERT_EQ(tcsetattr(pty.Slave(), TCSANOW, &mode), 0);
    OutputWriter writer(pty.Slave(), Capacity);
    std::ostream out(&writer);
    ASSERT_EQ(tcflow(pty.Slave(), TCOOFF), 0);
    std::string given;
    for (int n = 0; n < 20000; ++n) {  // 400 KB: more than any terminal buffers
        out << Line(n) << std::flush;
        given += Line(n);
    }
    EXPECT_FALSE(writer.Failed());
    EXPECT_GT(writer.DroppedBytes(), 0u);
    EXPECT_EQ(fcntl(pty.Slave(), F_GETFL), flagsBefore);
    ASSERT_EQ(tcflow(pty.Slave(), TCOON), 0);
    std::string read;
    EXPECT_TRUE(writer.Finish(30000, [&] {
        const std::vector<uint8_t> bytes = pty.ReadMasterNow();
        read.append(bytes.begin(), bytes.end());
        return false;
    }));
    for (int i = 0; i < 50 && read.find(")\n") == std::string::npos; ++i) {
        const std::vector<uint8_t> bytes = pty.ReadMaster(1, 100);
        read.append(bytes.begin(), bytes.end());
        const std::vector<uint8_t> rest = pty.ReadMasterNow();
        read.append(rest.begin(), rest.end());
    }
    const std::string note = OutputWriter::DroppedLine(writer.DroppedBytes());
    ASSERT_GE(read.size(), note.size());
    EXPECT_EQ(read.substr(read.size() - note.size()), note);
    EXPECT_EQ(read.substr(0, read.size() - note.size()), given.substr(0, read.size() - note.size()));
}

} // namespace
