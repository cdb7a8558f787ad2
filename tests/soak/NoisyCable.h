#pragma once
// A cable between the program's serial port and the emulated radio that can
// add noise on the way to the program: a pseudo-terminal of its own whose
// slave the program opens as its COM port, relayed both ways to the radio's
// device, plus random bytes towards the program while the noise is on.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class NoisyCable {
public:
    NoisyCable() = default;
    ~NoisyCable();
    NoisyCable(const NoisyCable&) = delete;
    NoisyCable& operator=(const NoisyCable&) = delete;

    // Opens the radio's device and the program's end and starts relaying.
    bool Start(const std::string& radioDevice);
    // The device the program opens.
    std::string ProgramDevice() const { return programDevice; }
    void SetNoise(bool on);
    // Noise bytes the line took towards the program.
    uint64_t NoiseBytes() const { return noiseBytes.load(); }
    // Stops relaying and closes every descriptor.
    void Stop();

private:
    void Relay();
    static bool Pass(int from, int to);

    int programMaster = -1;
    int programSlave = -1;  // held open, so the line stays up while the program's port is closed
    int radioFd = -1;
    int wake[2] = {-1, -1};
    std::string programDevice;
    std::atomic<bool> stopping{false};
    std::atomic<bool> noise{false};
    std::atomic<uint64_t> noiseBytes{0};
    std::thread worker;
};
