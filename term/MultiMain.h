#pragma once
#include "PortInfo.h"
#include "TermOptions.h"
#include "TermSession.h"

#include <vector>

// The terminal form for several radios (--port 5,7,9, --all, --retry), once
// the program's lock is held. Returns the exit status.
int UpdateSeveral(const TermOptions& options, const TermHooks& hooks);

// The ports --all asks: the USB serial adapters among ports (those whose
// USB vendor the system knows); the legacy serial ports are never probed.
std::vector<int> UsbSerialPorts(const std::vector<PortInfo>& ports);
