#include "ScriptedSerialDriver.h"

#include <algorithm>

std::vector<uint8_t> ScriptedSerialDriver::AllWritten() const
{
    std::vector<uint8_t> all;
    for (const auto& chunk : writes) {
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    return all;
}

int ScriptedSerialDriver::Open(const std::string& path)
{
    openedPaths.push_back(path);
    isOpen = openError == 0;
    return openError;
}

void ScriptedSerialDriver::Close()
{
    ++closeCount;
    isOpen = false;
    transmitQueue = 0;
}

bool ScriptedSerialDriver::SetQueueSizes(uint32_t inBytes, uint32_t outBytes)
{
    queueSizes.emplace_back(inBytes, outBytes);
    return queueResult;
}

bool ScriptedSerialDriver::Purge()
{
    ++purgeCount;
    return purgeResult;
}

bool ScriptedSerialDriver::Configure(const LineSettings& settings)
{
    configured.push_back(settings);
    return configureResult;
}

bool ScriptedSerialDriver::SetModemLines(bool dtr, bool rts)
{
    modemLines.emplace_back(dtr, rts);
    return modemResult;
}

uint32_t ScriptedSerialDriver::InQueue()
{
    return isOpen ? static_cast<uint32_t>(incoming.size()) : 0;
}

uint32_t ScriptedSerialDriver::OutQueue()
{
    ++outQueueQueries;
    return isOpen ? transmitQueue : 0;
}

uint32_t ScriptedSerialDriver::Read(uint8_t* buffer, uint32_t count)
{
    const uint32_t take = std::min<uint32_t>(count, static_cast<uint32_t>(incoming.size()));
    std::copy_n(incoming.begin(), take, buffer);
    incoming.erase(incoming.begin(), incoming.begin() + take);
    return take;
}

uint32_t ScriptedSerialDriver::Write(const uint8_t* data, uint32_t count, uint32_t timeoutMs)
{
    const uint32_t take = std::min(count, writeLimit);
    writes.emplace_back(data, data + take);
    writeTimeouts.push_back(timeoutMs);
    if (keepWrittenInQueue) {
        transmitQueue += take;
    }
    return take;
}

bool ScriptedSerialDriver::WaitForInput(int timeoutMs)
{
    waits.push_back(timeoutMs);
    return isOpen && !incoming.empty();
}
