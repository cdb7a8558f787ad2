#pragma once
#include <string>

// Sets an environment variable for its lifetime, then puts back what was
// there before: the old value, or no variable at all.
class EnvVariable {
public:
    EnvVariable(std::string name, const std::string& value);
    ~EnvVariable();
    EnvVariable(const EnvVariable&) = delete;
    EnvVariable& operator=(const EnvVariable&) = delete;

private:
    std::string name;
    bool hadValue = false;
    std::string oldValue;
};
