#include "LineSource.h"

void TableLineSource::SetTable(const char* const* table, int count)
{
    lineTable = table;
    lineCount = count;
}

void TableLineSource::OpenSource()
{
    if (isOpen || lineTable == nullptr) {
        return;
    }
    isOpen = true;
    readPosition = 0;
}

bool TableLineSource::ReadLine(char* buffer, int capacity)
{
    if (!isOpen || readPosition < 0 || readPosition >= lineCount || capacity < 1) {
        return false;
    }
    const char* line = lineTable[readPosition];
    const int limit = capacity - 1;
    int n = 0;
    while (n < limit && line[n] != '\0') {
        buffer[n] = line[n];
        ++n;
    }
    if (line[n] == '\0' && n < limit) {
        buffer[n++] = '\n';
    }
    buffer[n] = '\0';
    ++readPosition;
    return true;
}

bool TableLineSource::SetPosition(int position)
{
    if (!isOpen) {
        return false;
    }
    readPosition = position;
    return true;
}
