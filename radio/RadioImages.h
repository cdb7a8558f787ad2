#pragma once

#include "ImageLayout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The radio's own reading of the image records: it shares their layout and
// key with the program (ImageLayout.h) but not the program's code, so a
// program that descrambles them wrongly writes what the radio does not
// expect.

// Number of image bytes of a record; 0 when it holds none.
size_t RadioRecordLength(const ImageRecord& record);

// The record's plain bytes, in address order: each byte XORed with a running
// sum of the key bytes, the key taken round and round from its start.
std::vector<uint8_t> RadioPlainBytes(const ImageRecord& record);

// The records built into this executable, read from their headers; a record
// whose header does not match its size is left empty.
const FirmwareSet& RadioBuiltInRecords();
