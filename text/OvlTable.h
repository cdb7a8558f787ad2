#pragma once

// The built-in text catalogue: the program's only OVL source. Lines are
// counted by position, so comments and blank lines must stay where they are.
constexpr int OvlTableCount = 158;
extern const char* const OvlTable[OvlTableCount];
