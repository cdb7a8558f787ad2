#include "FatalMessage.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

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
