#include "FaultPlan.h"

#include <charconv>

namespace {
constexpr std::string_view pointNames[] = {
    "ident", "boot",      "marker",    "sync",      "key",      "model", "version", "size", "writer",
    "writer_aa", "dsp_ready", "sys_check", "sys_data", "data", "sum",     "dsp_sum", "end"};
constexpr std::string_view blockPrefix = "block";

bool TakePrefix(std::string_view& text, std::string_view prefix)
{
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}
}

bool FaultPlan::IsKnownPoint(std::string_view point)
{
    for (const auto name : pointNames) {
        if (name == point)
            return true;
    }
    return false;
}

const char* FaultPlan::KindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Silent: return "silent";
    case FaultKind::WrongByte: return "wrong byte";
    case FaultKind::HangUp: return "hang-up";
    case FaultKind::Noise: return "noise";
    case FaultKind::Late: return "late";
    case FaultKind::WrongLater: return "wrong later byte";
    }
    return "?";
}

bool FaultPlan::Parse(const Fault& fault, Entry& entry)
{
    std::string_view text = fault.point;
    entry.fault = fault;
    if (TakePrefix(text, "cpu."))
        entry.target = CpuSession;
    else if (TakePrefix(text, "dsp."))
        entry.target = DspSession;
    if (TakePrefix(text, blockPrefix)) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '='))
            text.remove_prefix(1);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), entry.block);
        return ec == std::errc() && end == text.data() + text.size() && entry.block >= 1;
    }
    entry.name = std::string(text);
    return IsKnownPoint(text);
}

bool FaultPlan::Set(const std::vector<Fault>& faults, std::string& error)
{
    entries.clear();
    injected.clear();
    for (const auto& fault : faults) {
        Entry entry;
        if (!Parse(fault, entry)) {
            error = "unknown fault point \"" + fault.point + "\"";
            return false;
        }
        if (fault.kind == FaultKind::Late && fault.lateMs < 0) {
            error = "fault at \"" + fault.point + "\": a negative delay";
            return false;
        }
        if (fault.kind == FaultKind::WrongLater && fault.nth < 1) {
            error = "fault at \"" + fault.point + "\": passes are counted from 1";
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}

const Fault* FaultPlan::Fire(std::string_view point, Session session, int block)
{
    for (auto& entry : entries) {
        if (entry.fired || (entry.target != NoSession && session != NoSession && entry.target != session))
            continue;
        const bool matches = entry.block > 0 ? entry.block == block : entry.name == point;
        if (!matches)
            continue;
        if (entry.fault.kind == FaultKind::WrongLater && ++entry.passes < entry.fault.nth)
            continue;
        entry.fired = !entry.fault.everyTime;
        std::string text = std::string(KindName(entry.fault.kind));
        if (entry.fault.kind == FaultKind::Late)
            text += " " + std::to_string(entry.fault.lateMs) + " ms";
        if (entry.fault.kind == FaultKind::WrongLater)
            text += " " + std::to_string(entry.fault.nth);
        text += " at " + entry.fault.point;
        if (session != NoSession)
            text += session == DspSession ? " (DSP)" : " (main processor)";
        injected.push_back(text);
        return &entry.fault;
    }
    return nullptr;
}
