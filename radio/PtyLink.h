#pragma once

#include <string>

// The radio's end of the cable: a pseudo-terminal pair. The program opens
// the slave side as its COM port; the radio reads and writes the master.
// Both sides start raw at 38400 bit/s, 8N1.
class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    bool Open(std::string& error);
    void Close();
    bool IsOpen() const { return master >= 0; }
    int Master() const { return master; }
    const std::string& DevicePath() const { return device; }

    // Makes DIR/comN a symbolic link to the slave device, replacing a link
    // that is there already (never a file of another kind).
    bool LinkAs(const std::string& dir, int com, std::string& error);
    // Points the link at the current device again, after a new Open.
    bool Relink(std::string& error);
    // Removes the link if it still points at this radio.
    void Unlink();

    // Lets anyone open the program's side again: a program that ended
    // without closing the port leaves it exclusive, which only an orderly
    // close would clear. False when the terminal refused.
    bool ClearExclusive();

    // Whether the program's side is set to 38400 bit/s, 8 data bits, no
    // parity, 1 stop bit; the speed as a number for messages.
    bool LineIs38400N81(long& speed) const;

private:
    int master = -1;
    int slave = -1;  // kept open so that the program can close and reopen its side
    std::string device;
    std::string linkPath;
};
