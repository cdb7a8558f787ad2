#pragma once
#include "ComResolver.h"

#include <string>
#include <string_view>
#include <vector>

// Fills list (empty, the caller's) with the numbers of the present serial
// ports as decimal texts, smallest first. Without ports, the system's
// (PlatformComPorts).
void EnumeratePorts(std::vector<std::string>& list);
void EnumeratePorts(std::vector<std::string>& list, const std::vector<ComPort>& ports);

// The number in a port name: "COM3" gives 3. Only digits, '.' and '-' count,
// at most nine of them; the leading decimal number is rounded, halves away
// from zero. No number gives 0.
int PortNumberOf(std::string_view text);

// The device behind a port number, for showing next to it ("" when the
// number names no port).
std::string PortDevicePath(int number);
std::string PortDevicePath(int number, const std::vector<ComPort>& ports);
