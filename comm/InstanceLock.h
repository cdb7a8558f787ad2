#pragma once
#include <cstdint>

// A per-user lock of the given name, held from construction for the
// object's life. The system drops it when the process ends, also on a crash
// or kill. One implementation per platform (InstanceLockLinux.cpp).
class InstanceLock {
public:
    explicit InstanceLock(const char* name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds it or it could not be created.
    bool Held() const { return handle != kNone; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle = kNone;  // the platform's handle of the lock
};
