#include "clsEnviron.h"

clsEnviron::clsEnviron(const char* name) : mutexName(name), mutexHandle(mutexName)
{
    firstInstance = mutexHandle.Held() ? 1 : 0;
}
