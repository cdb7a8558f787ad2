#include "clsGTex.h"

#include <cstring>

namespace {
// The catalogue reads through a 1024-byte buffer, handing the source one
// byte less so a cut line still leaves room for the terminator.
constexpr int ReadCapacity = clsGTex::BufferSize - 1;
constexpr const char* EndKey = "End_Of_Ovl";
} // namespace

clsGTex::clsGTex() : lineBuffer(new char[BufferSize]())
{
}

clsGTex::~clsGTex()
{
    KeyEntry* entry = keyHead.next;
    while (entry != nullptr) {
        KeyEntry* next = entry->next;
        delete[] entry->key;
        delete entry;
        entry = next;
    }
}

int clsGTex::SetLines(const char* const* table, int count)
{
    if (source != nullptr) {
        return 0;
    }
    tableSource.SetTable(table, count);
    source = &tableSource;
    return 1;
}

int clsGTex::SetSource(LineSource* newSource)
{
    if (source != nullptr || newSource == nullptr) {
        return 0;
    }
    source = newSource;
    return 1;
}

std::string clsGTex::GetText(const char* key, int index)
{
    KeyEntry* entry = FindKey(key);
    if (entry == nullptr || source == nullptr || !source->IsOpen() || index < 0) {
        return ErrorText;
    }
    int line = 0;
    int position = entry->startPosition;
    if (entry->cachedIndex <= index) {
        line = entry->cachedIndex;
        position = entry->cachedPosition;
    }
    if (!source->SetPosition(position)) {
        return ErrorText;
    }
    for (; line < index; ++line) {
        if (!source->ReadLine(lineBuffer.get(), ReadCapacity)) {
            return ErrorText;
        }
    }
    if (!source->ReadLine(lineBuffer.get(), ReadCapacity)) {
        return ErrorText;
    }
    CutLineEnd(lineBuffer.get());
    entry->cachedIndex = index + 1;
    entry->cachedPosition = source->GetPosition();
    return lineBuffer.get();
}

clsGTex::KeyEntry* clsGTex::FindKey(const char* key)
{
    for (KeyEntry* e = keyHead.next; e != nullptr; e = e->next) {
        if (std::strcmp(e->key, key) == 0) {
            return e;
        }
    }
    const int k0 = keyCount;
    while (isScanning == 1) {
        ScanNextLine();
        if (keyCount > k0 && std::strcmp(keyLast->key, key) == 0) {
            return keyLast;
        }
    }
    return nullptr;
}

int clsGTex::ScanNextLine()
{
    if (isScanning == 0) {
        return 0;
    }
    if (source == nullptr || !source->IsOpen()) {
        if (source != nullptr) {
            source->OpenSource();
        }
        if (source == nullptr || !source->IsOpen()) {
            isScanning = 0;
        }
        return isScanning;
    }
    if (!source->SetPosition(scanPosition) || !source->ReadLine(lineBuffer.get(), ReadCapacity)) {
        isScanning = 0;
        return isScanning;
    }
    char* line = lineBuffer.get();
    if (line[0] == '#' && line[1] != '\n' && line[1] != '\0') {
        KeyEntry* entry = AddKeyEntry();
        CutLineEnd(line);
        const std::size_t length = std::strlen(line + 1);
        entry->key = new char[length + 1];
        std::memcpy(entry->key, line + 1, length + 1);
        entry->startPosition = source->GetPosition();
        entry->cachedIndex = 0;
        entry->cachedPosition = entry->startPosition;
        if (std::strcmp(entry->key, EndKey) == 0) {
            isScanning = 0;
        }
    }
    scanPosition = source->GetPosition();
    return isScanning;
}

clsGTex::KeyEntry* clsGTex::AddKeyEntry()
{
    auto* entry = new KeyEntry;
    keyLast->next = entry;
    keyLast = entry;
    ++keyCount;
    return entry;
}

void clsGTex::CutLineEnd(char* buffer)
{
    char* lf = std::strchr(buffer, '\n');
    if (lf != nullptr) {
        *lf = '\0';
    }
}
