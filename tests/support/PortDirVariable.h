#pragma once
#include "ComPorts.h"
#include "EnvVariable.h"

#include <string>

// Points RX77NOVA_PORT_DIR at dir for its lifetime: the platform's COM
// numbering then sees exactly that folder's entries.
class PortDirVariable : public EnvVariable {
public:
    explicit PortDirVariable(const std::string& dir) : EnvVariable(ComPorts::kPortDirVariable, dir) {}
};
