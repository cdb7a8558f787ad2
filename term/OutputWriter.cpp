#include "OutputWriter.h"

#include <algorithm>
#include <chrono>

namespace {

// The longest single write: a slow output is not handed a megabyte at once.
constexpr size_t WriteChunk = 64 * 1024;
// How often Finish asks giveUp while it waits.
constexpr int FinishSliceMs = 50;

} // namespace

std::string OutputWriter::DroppedLine(size_t bytes)
{
    return "(" + std::to_string(bytes) + " bytes of output left out: the output was held up)\n";
}

void OutputWriter::Take(const char* s, size_t n)
{
    if (failed || n == 0) {
        return;
    }
    if (Held() + n > capacity) {
        droppedSince += n;
        droppedTotal += n;
        return;
    }
    if (sent > 0 && sent >= held.size() / 2) {
        held.erase(0, sent);
        sent = 0;
    }
    held.append(s, n);
    lastTaken = s[n - 1];
}

void OutputWriter::Pump()
{
    while (!failed) {
        while (Held() > 0) {
            const intptr_t n = WriteNow(held.data() + sent, Held() < WriteChunk ? Held() : WriteChunk);
            if (n < 0) {
                held.clear();
                sent = 0;
                return;
            }
            if (n == 0) {
                return;
            }
            sent += static_cast<size_t>(n);
        }
        held.clear();
        sent = 0;
        if (droppedSince == 0) {
            return;
        }
        // The output moves again: say what it missed, on a line of its own.
        const std::string line = (lastTaken == '\n' ? "" : "\n") + DroppedLine(droppedSince);
        droppedSince = 0;
        held = line;
        lastTaken = '\n';
    }
}

bool OutputWriter::Finish(int ms, const std::function<bool()>& giveUp)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        Pump();
        if (failed || (Held() == 0 && droppedSince == 0)) {
            break;
        }
        if (giveUp && giveUp()) {
            break;
        }
        int slice = FinishSliceMs;
        if (ms >= 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            if (spent.count() >= ms) {
                break;
            }
            slice = static_cast<int>(std::min<int64_t>(slice, ms - spent.count()));
        }
        WaitWritable(slice);
    }
    return !failed && Held() == 0 && droppedSince == 0;
}

int OutputWriter::overflow(int c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        const char ch = traits_type::to_char_type(c);
        Take(&ch, 1);
    }
    return traits_type::not_eof(c);
}

std::streamsize OutputWriter::xsputn(const char* s, std::streamsize n)
{
    if (n > 0) {
        Take(s, static_cast<size_t>(n));
    }
    return n;
}

// A flush writes what the output takes now. It never reports a failure to
// the stream, which would then refuse all later text: Failed() says it.
int OutputWriter::sync()
{
    Pump();
    return 0;
}
