#pragma once
// The fuzz targets as plain functions: libFuzzer's entry calls one of them
// per input, and the replay test feeds them their seed corpora in the
// normal build. Each returns "" when the input was handled soundly, else
// what went wrong.
#include <cstddef>
#include <cstdint>
#include <string>

// The update sequencer against a scripted radio (FuzzSerialDriver): one
// header byte for the line's behaviour and the clock's start, then script
// records.
std::string FuzzSequencer(const uint8_t* data, size_t size);

// The emulated radio's receiving side: its boot loader byte by byte, or its
// frame decoder, chosen by the first byte.
std::string FuzzRadio(const uint8_t* data, size_t size);

// The catalogue over a fuzzed line table, the port-name reader, the field
// splitter and the settings string, chosen by the first byte.
std::string FuzzText(const uint8_t* data, size_t size);
