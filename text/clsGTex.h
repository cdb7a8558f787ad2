#pragma once
#include "LineSource.h"

#include <memory>
#include <string>

// The OVL text catalogue. A line "#Key" names a key; value line n of the key
// is simply the n-th line after it. Keys are indexed lazily, one line at a
// time and only as far as a lookup needs, and each key remembers where its
// last read ended so that reading lines 0, 1, 2 ... costs one line each.
class clsGTex {
public:
    static constexpr const char* ErrorText = "**** ERROR !!! ****";
    static constexpr int BufferSize = 1024;

    clsGTex();
    ~clsGTex();
    clsGTex(const clsGTex&) = delete;
    clsGTex& operator=(const clsGTex&) = delete;

    // Chooses the in-memory line table as the source; only once (returns 0
    // and changes nothing when a source is already chosen).
    int SetLines(const char* const* table, int count);
    // Chooses another sequential source (not owned); the same once-only rule.
    int SetSource(LineSource* source);

    // Value line index of key, or ErrorText when it cannot be served.
    std::string GetText(const char* key, int index);

private:
    struct KeyEntry {
        char* key = nullptr;
        int startPosition = 0;
        KeyEntry* next = nullptr;
        int cachedIndex = 0;
        int cachedPosition = 0;
    };

    KeyEntry* FindKey(const char* key);
    int ScanNextLine();
    KeyEntry* AddKeyEntry();
    static void CutLineEnd(char* buffer);

    TableLineSource tableSource;
    LineSource* source = nullptr;
    std::unique_ptr<char[]> lineBuffer;
    int scanPosition = 0;
    int keyCount = 0;
    KeyEntry keyHead;           // sentinel: no key
    KeyEntry* keyLast = &keyHead;
    int isScanning = 1;
};
