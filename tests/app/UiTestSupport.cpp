#include "UiTestSupport.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>

#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

std::vector<ShownLine> ShownLines(const QTextEdit* box)
{
    std::vector<ShownLine> lines;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        ShownLine line{block.text(), QColor(), 0.0};
        const QTextBlock::iterator first = block.begin();
        if (!first.atEnd()) {
            const QTextCharFormat format = first.fragment().charFormat();
            line.color = format.foreground().color();
            line.pointSize = format.fontPointSize();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string ColourPattern(const std::vector<ShownLine>& lines)
{
    std::string pattern;
    for (const ShownLine& line : lines) {
        if (line.color == QColor(255, 0, 0)) {
            pattern += 'r';
        } else if (line.color == QColor(0, 0, 0)) {
            pattern += 'b';
        } else {
            pattern += '?';
        }
    }
    return pattern;
}

PortFolder::PortFolder()
{
    char tmpl[] = "/tmp/rx77portsXXXXXX";
    if (mkdtemp(tmpl) != nullptr) {
        path = tmpl;
    }
}

PortFolder::~PortFolder()
{
    for (const Pty& p : ptys) {
        close(p.master);
        close(p.slave);
        unlink((path + "/com" + std::to_string(p.com)).c_str());
    }
    rmdir(path.c_str());
}

std::string PortFolder::AddPty(int com)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        return {};
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    const std::string link = path + "/com" + std::to_string(com);
    if (symlink(name, link.c_str()) != 0) {
        close(master);
        close(slave);
        return {};
    }
    ptys.push_back({com, master, slave, name});
    return name;
}

int PortFolder::Master(int com) const
{
    for (const Pty& p : ptys) {
        if (p.com == com) {
            return p.master;
        }
    }
    return -1;
}

std::vector<unsigned char> PortFolder::Drain(int com) const
{
    std::vector<unsigned char> bytes;
    const int fd = Master(com);
    unsigned char buffer[256];
    ssize_t n = 0;
    while (fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void PortFolder::Use() const
{
    setenv("RX77NOVA_PORT_DIR", path.c_str(), 1);
}
