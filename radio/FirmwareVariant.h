#pragma once

#include "ImageLayout.h"
#include "RadioOptions.h"

#include <cstdint>
#include <string>
#include <vector>

class RadioFlash;

// The contents a radio's flash starts with, made from the built-in images,
// and the conversions between flash fields and identity texts.

// The record's plain bytes laid out over first ... last, 0xFF elsewhere.
std::vector<uint8_t> FlashImage(const ImageRecord& record, uint32_t first, uint32_t last);

// True when each of the 8 characters is an ASCII letter, digit, '-', '.' or
// a blank: what the radio reports and what its boot loader takes.
bool AllowedVersionText(const uint8_t* text);

// Change one compared character so that the text sorts before (Older) or
// after (Newer) the given one and stays an allowed version text. Characters
// before `from` are left alone. False when no such change exists.
bool MakeOlderText(uint8_t* text, int from);
bool MakeNewerText(uint8_t* text, int from);

// The DSP's 20-byte field of 16-bit big-endian characters c1 '.' c2 c3 '-'
// c4 c5 c6 c7 as the radio reports it: 8 characters c0 ... c7.
void DspTextFromField(const uint8_t* field, uint8_t* text);
void DspFieldFromText(const uint8_t* text, uint8_t* field);

// Fill the flash for the chosen firmware, starting from `reference` (the
// image over the whole flash). `error` says why it could not be done.
bool SetUpCpuFlash(RadioFlash& flash, const std::vector<uint8_t>& reference, CpuFirmware choice,
                   bool systemAreaMatches, std::string& error);
bool SetUpDspFlash(RadioFlash& flash, const std::vector<uint8_t>& reference, DspFirmware choice,
                   std::string& error);
