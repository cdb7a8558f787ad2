#pragma once

#include "RadioOptions.h"

#include <string>
#include <string_view>
#include <vector>

// The faults a radio is told to inject, matched against the points of the
// protocol as it passes them.
class FaultPlan {
public:
    // False, with the reason, when a point is not one the radio knows.
    bool Set(const std::vector<Fault>& faults, std::string& error);

    // Which boot session runs when a point is passed.
    enum Session { NoSession = 0, CpuSession = 1, DspSession = 2 };

    // The fault due at this point, or null; `block` is the data packet's
    // number (from 1), 0 elsewhere. A fault that fires is recorded and,
    // unless everyTime, is not due again. Outside a boot session (the
    // identity) a processor prefix does not hold a fault back.
    const Fault* Fire(std::string_view point, Session session, int block);

    const std::vector<std::string>& Injected() const { return injected; }

    static bool IsKnownPoint(std::string_view point);
    static const char* KindName(FaultKind kind);

private:
    struct Entry {
        Fault fault;
        std::string name;  // without the processor prefix; empty for "block N"
        int block = 0;
        int target = NoSession;  // or the only session it fires in
        bool fired = false;
        int passes = 0;  // times its point was passed, for WrongLater
    };
    static bool Parse(const Fault& fault, Entry& entry);

    std::vector<Entry> entries;
    std::vector<std::string> injected;
};
