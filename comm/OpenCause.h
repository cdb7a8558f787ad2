#pragma once
#include "ComResolver.h"
#include "cmcComm.h"

#include <string>
#include <vector>

// A process that has a device open.
struct PortHolder {
    int pid = 0;
    std::string program;  // its command name
};

// Every other process that has device open, found the way fuser finds them
// (the open files under /proc); those whose files cannot be read are missed.
std::vector<PortHolder> PortHolders(const std::string& device);

// One line that says why COM port number could not be opened and what to do,
// from the failure the port recorded; ports are the numbered ports as the
// port list sees them. Empty when the open did not fail.
std::string OpenCauseText(int number, OpenFailure failure, int error, const std::vector<ComPort>& ports);
// The same with the system's ports (PlatformComPorts).
std::string OpenCauseText(int number, OpenFailure failure, int error);
