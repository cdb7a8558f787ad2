#include "ProgramName.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <climits>
#include <cstdio>
#include <unistd.h>

std::string ProgramFileName()
{
    if (QCoreApplication::instance() != nullptr) {
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    }
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    path[n] = '\0';
    const std::string full(path);
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

void ShowFatalMessage(const std::string& text, const std::string& caption)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox box(QMessageBox::Critical, QString::fromLocal8Bit(caption.c_str()),
                        QString::fromLocal8Bit(text.c_str()), QMessageBox::Ok);
        box.exec();
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
