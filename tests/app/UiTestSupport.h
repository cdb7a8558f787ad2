#pragma once
#include "PortDirVariable.h"
#include "PtyPair.h"
#include "TempDir.h"

#include <QColor>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTextEdit;

// One paragraph of a rich-text box as the user sees it.
struct ShownLine {
    QString text;
    QColor color;
    double pointSize;
};

// The paragraphs of box, each with the colour and size of its characters
// (of its first fragment; every line here is drawn in one format).
std::vector<ShownLine> ShownLines(const QTextEdit* box);

// 'r' for a red line, 'b' for a black one, '?' for anything else.
std::string ColourPattern(const std::vector<ShownLine>& lines);

// A folder of COM port links for RX77NOVA_PORT_DIR, removed at the end, and
// the pseudo-terminals behind them.
class PortFolder {
public:
    PortFolder() = default;
    PortFolder(const PortFolder&) = delete;
    PortFolder& operator=(const PortFolder&) = delete;

    const std::string& Path() const { return folder.Path(); }
    // Makes comN a link to a new raw pseudo-terminal; returns its device path.
    std::string AddPty(int com);
    // The controlling side of the pty linked as comN (-1 when none).
    int Master(int com) const;
    // Bytes waiting on the controlling side of comN, read without waiting.
    std::vector<unsigned char> Drain(int com) const;
    // Points RX77NOVA_PORT_DIR here until the folder goes.
    void Use();

private:
    struct Pty {
        int com;
        std::unique_ptr<PtyPair> pair;
    };
    const PtyPair* Find(int com) const;

    // Declared in the order of making: the variable is put back first, then
    // the ptys close, then the folder goes.
    TempDir folder;
    std::vector<Pty> ptys;
    std::optional<PortDirVariable> variable;
};
