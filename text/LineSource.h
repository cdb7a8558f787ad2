#pragma once

// A sequential source of catalogue lines. Positions are values the source
// hands out; the catalogue stores them and hands them back, never computing
// one itself.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual void OpenSource() = 0;
    virtual bool IsOpen() const = 0;
    // Copies the next line into buffer (at most capacity - 1 characters, then
    // NUL). A line that fits is followed by a line feed; a longer one is cut.
    virtual bool ReadLine(char* buffer, int capacity) = 0;
    virtual int GetPosition() const = 0;
    virtual bool SetPosition(int position) = 0;
};

// The in-memory line table: a position is a line index.
class TableLineSource : public LineSource {
public:
    void SetTable(const char* const* table, int count);
    bool HasTable() const { return lineTable != nullptr; }

    void OpenSource() override;
    bool IsOpen() const override { return isOpen; }
    bool ReadLine(char* buffer, int capacity) override;
    int GetPosition() const override { return readPosition; }
    bool SetPosition(int position) override;

private:
    const char* const* lineTable = nullptr;
    int lineCount = 0;
    bool isOpen = false;
    int readPosition = 0;
};
