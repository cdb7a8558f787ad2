#include "OutputWriter.h"

#include <cerrno>
#include <cstring>
#include <io.h>

// The Windows console layer writes through the C runtime as before (its
// text mode turns each line end into CR LF); a write there may wait.
OutputWriter::OutputWriter(int descriptor, size_t heldCapacity) : fd(descriptor), capacity(heldCapacity)
{
}

OutputWriter::~OutputWriter()
{
    Pump();
}

void OutputWriter::OpenOwn(bool)
{
}

void OutputWriter::Restore()
{
}

intptr_t OutputWriter::WriteNow(const char* s, size_t n)
{
    const int written = _write(fd, s, static_cast<unsigned>(n));
    if (written >= 0) {
        return written;
    }
    error = errno;
    failed = true;
    return -1;
}

void OutputWriter::WaitWritable(int)
{
}

std::string OutputWriter::ErrorText() const
{
    return error == 0 ? std::string() : std::strerror(error);
}
