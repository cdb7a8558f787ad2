#pragma once
#include <QApplication>

#include <string>

// The program's application object. An exception thrown from an event
// handler that reaches the toolkit's loop is not let through (the toolkit
// would end the process without a word): it is shown by the fatal display
// (a critical box), and the message loop ends with ExitStatus::InternalError.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // What the fatal display shows for an exception (what: its text).
    static std::string EscapedText(const std::string& what);

private:
    void Escaped(const std::string& what);

    bool failing = false;  // the box for one escape is up or has been shown
};
