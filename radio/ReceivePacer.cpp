#include "ReceivePacer.h"

bool ReceivePacer::MayTake(Clock::time_point now)
{
    if (!Paced())
        return true;
    if (idle) {
        // The first byte of a burst has only just started on the line.
        idle = false;
        nextByte = now + byteTime;
    }
    return now >= nextByte;
}

void ReceivePacer::Took()
{
    nextByte += byteTime;
}
