#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>

// Standard output or standard error for the loop that ticks the sequencer,
// which must never wait on it: a terminal stopped by Ctrl+S, a pipe nobody
// reads or a slow log would stall the protocol. Text goes to the descriptor
// as far as it takes it without waiting; the rest is held (up to capacity
// bytes) and written at the next Pump. Text that does not fit is left out,
// and a line says how much once the output moves again. An output that
// fails for good (a reader gone, a full disc, a hung-up terminal) is marked
// failed and everything for it is dropped from then on; nothing is ever
// raised, and SIGPIPE must be ignored.
//
// On Linux the descriptor's own open file is not changed (it is shared
// with the shell): a terminal or pipe is opened again, without waiting, as
// a file of its own; a socket is written with MSG_DONTWAIT; a file or a
// device such as /dev/null never holds a write up. Only when none of these
// can be done is the shared file switched to non-blocking, and switched
// back by the destructor.
class OutputWriter final : public std::streambuf {
public:
    static constexpr size_t DefaultCapacity = 64 * 1024;

    explicit OutputWriter(int fd, size_t capacity = DefaultCapacity);
    ~OutputWriter() override;
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Writes what the output takes now; never waits.
    void Pump();
    // Waits until everything held is written, the output fails, ms have
    // passed (ms < 0: no limit) or giveUp says so (asked every few tens of
    // ms). True when everything was written.
    bool Finish(int ms, const std::function<bool()>& giveUp = {});

    bool Failed() const { return failed; }
    // The system's error number of the failure; 0 when none.
    int Error() const { return error; }
    // "Broken pipe"
    std::string ErrorText() const;
    size_t Held() const { return held.size() - sent; }
    size_t DroppedBytes() const { return droppedTotal; }

    // The line that says how much was left out.
    static std::string DroppedLine(size_t bytes);

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    enum class Kind { Plain, Socket, Own, Shared };

    void Take(const char* s, size_t n);
    // One write of at most n bytes that does not wait: the count written,
    // 0 when the output cannot take any now, -1 when it failed (error set).
    intptr_t WriteNow(const char* s, size_t n);
    // Waits up to ms for the output to take more.
    void WaitWritable(int ms);
    void OpenOwn(bool mayReopen);
    void Restore();

    int fd;             // the descriptor written
    int ownFd = -1;     // the output opened again, when it was
    intptr_t savedFlags = -1;  // the shared file's flags, when they were changed
    Kind kind = Kind::Plain;
    size_t capacity;
    std::string held;
    size_t sent = 0;    // bytes at held's front already written
    size_t droppedSince = 0;  // left out since the last line that said so
    size_t droppedTotal = 0;
    char lastTaken = '\n';
    bool failed = false;
    int error = 0;
};
