#include "ConsoleHost.h"

#include "TickRhythm.h"

// The same on every platform: a request to end or a typed line is taken at
// once; a short rest waits on the port, so the radio's answer is taken the
// moment it arrives and the next packet leaves at once, and then looks again
// for what came meanwhile; a long rest (the port closed, nothing running)
// waits on the console alone.
TermHost::Wake ConsoleHost::RestAfterTick(const Rest& rest)
{
    const Wake now = Watch(rest.wantInput, 0);
    if (now.signal != 0 || now.input) {
        return now;
    }
    if (rest.waitOnPort && rest.ms <= TickRhythm::BusyMs) {
        rest.waitOnPort(rest.ms);
        return Watch(rest.wantInput, 0);
    }
    return Watch(rest.wantInput, rest.ms);
}
