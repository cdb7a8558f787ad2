#include "RadioReport.h"

#include <cstdio>

namespace {
std::string FlashLine(const char* name, const FlashReport& flash)
{
    char line[160];
    if (flash.matchesImage)
        std::snprintf(line, sizeof line, "%s flash: equals the built-in image; %s\n", name,
                      flash.intact ? "intact" : "not intact");
    else
        std::snprintf(line, sizeof line, "%s flash: differs from the built-in image at 0x%06llX; %s\n",
                      name, static_cast<unsigned long long>(flash.firstDifference),
                      flash.intact ? "intact" : "not intact");
    return line;
}

std::string List(const char* title, const std::vector<std::string>& items)
{
    std::string text = std::string(title) + ": " + (items.empty() ? "none" : std::to_string(items.size())) + "\n";
    for (const auto& item : items)
        text += "  " + item + "\n";
    return text;
}
}

std::string FormatReport(const RadioReport& report)
{
    std::string text;
    text += "bytes received: " + std::to_string(report.bytesReceived) + ", sent: "
        + std::to_string(report.bytesSent) + "\n";
    text += "identity answers: " + std::to_string(report.identitiesAnswered)
        + ", boot sessions: " + std::to_string(report.bootSessions)
        + ", requests held back on the way: " + std::to_string(report.requestsHeldBack) + "\n";
    text += "packets:";
    if (report.packetsByCommand.empty())
        text += " none";
    for (const auto& [command, count] : report.packetsByCommand) {
        char item[32];
        std::snprintf(item, sizeof item, " 0x%02X x %d", command, count);
        text += item;
    }
    text += "\n";
    text += "blocks written: " + std::to_string(report.blocksWritten) + ", checked: "
        + std::to_string(report.blocksChecked) + "\n";
    text += List("faults injected", report.faultsInjected);
    text += List("protocol errors", report.protocolErrors);
    text += FlashLine("main processor", report.cpu);
    text += FlashLine("DSP", report.dsp);
    text += "state: " + report.phase + (report.inUpdateMode ? "" : ", update mode left")
        + (report.hungUp ? ", line hung up" : "") + "\n";
    return text;
}
