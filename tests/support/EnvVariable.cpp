#include "EnvVariable.h"

#include <cstdlib>
#include <utility>

EnvVariable::EnvVariable(std::string variable, const std::string& value)
    : name(std::move(variable))
{
    if (const char* old = std::getenv(name.c_str())) {
        hadValue = true;
        oldValue = old;
    }
    setenv(name.c_str(), value.c_str(), 1);
}

EnvVariable::~EnvVariable()
{
    if (hadValue) {
        setenv(name.c_str(), oldValue.c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}
