#pragma once
#include <string>

// The port number typed into the port box: blanks and control characters
// removed at both ends, then read the way atoi reads a number (optional
// sign, digits up to the first non-digit; no digits give 0). Values too
// large for the range are held at the nearest bound instead of overflowing.
int ReadPortNumber(const std::string& text);

constexpr int PortFirst = 1;
constexpr int PortLast = 256;
