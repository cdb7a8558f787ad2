#include "GuardedApplication.h"

#include "ExitStatus.h"
#include "FatalDisplay.h"

#include <exception>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Escaped(error.what());
    } catch (...) {
        Escaped("an exception of unknown type");
    }
    return false;
}

std::string GuardedApplication::EscapedText(const std::string& what)
{
    return "An internal error ended the program:\n" + what;
}

void GuardedApplication::Escaped(const std::string& what)
{
    // One box: what else escapes while it is up (or after) only ends the loop.
    if (!failing) {
        failing = true;
        ShowFatal(EscapedText(what));
    }
    exit(ExitStatus::InternalError);
}
