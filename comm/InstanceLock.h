#pragma once
#include <cstdint>
#include <string>

// The name of the program's single-instance lock: one copy in all, whether
// it runs as a window or in a terminal.
constexpr const char* ProgramMutexName = "Vexa QT-3333C APP Exclusive Mutex RX-77NOVA";

// A per-user lock of the given name, held from construction for the
// object's life. The system drops it when the process ends, also on a crash
// or kill. One implementation per platform (InstanceLockLinux.cpp).
class InstanceLock {
public:
    enum class State {
        Held,           // this process holds it
        HeldElsewhere,  // another copy holds it
        Failed,         // it could not be made (Problem says why)
    };

    explicit InstanceLock(const char* name);
    // fallbackBase: where the lock folder is made when the system names no
    // runtime folder of the user's ("/tmp" for the program).
    InstanceLock(const char* name, const std::string& fallbackBase);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds it or it could not be created.
    bool Held() const { return handle != kNone; }
    State GetState() const { return state; }
    // The path and the reason when the lock could not be made, else empty.
    const std::string& Problem() const { return problem; }
    // The lock file's path; empty when no folder for it could be found.
    const std::string& Path() const { return path; }

    // Which form of the program holds the lock, so that a second copy can
    // say what runs: a window it can bring to the front, or a terminal.
    enum class Form {
        Unknown,  // not said (yet), or it cannot be read
        Window,
        Terminal,
    };
    // The holder says which form it runs as; false when this process does
    // not hold the lock or it could not be said.
    bool SetHolderForm(Form form);
    // What the holder said; Unknown when it said nothing.
    Form HolderForm() const;

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle = kNone;  // the platform's handle of the lock
    // Where the holder's form is kept, where it is not the lock's own (Windows).
    [[maybe_unused]] intptr_t formHandle = kNone;
    std::string name;
    State state = State::Failed;
    std::string problem;
    std::string path;
};
