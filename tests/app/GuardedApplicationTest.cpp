// An exception thrown from an event handler reaches the toolkit's loop: it is
// shown by the fatal display, once, and the loop ends with the internal-error
// status. The program's own application object runs these cases.
#include "ExitStatus.h"
#include "FatalDisplay.h"
#include "GuardedApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::string> shown;  // what the fatal display was given

void RecordFatal(const std::string& text, const std::string& /*caption*/)
{
    shown.push_back(text);
}

// Throws from its event handler, as a fault in a window's handler would.
class Thrower : public QObject {
public:
    enum class Kind { Standard, Unknown, None };
    explicit Thrower(Kind thrown) : kind(thrown) {}
    int handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User) {
            return QObject::event(e);
        }
        ++handled;
        switch (kind) {
        case Kind::Standard: throw std::runtime_error("the handler failed");
        case Kind::Unknown: throw 42;
        case Kind::None: break;
        }
        return true;
    }

private:
    Kind kind;
};

// Ends the loop with status 0 should nothing end it before.
void QuitLater()
{
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(0); });
}

TEST(GuardedLoop, AnEscapedExceptionIsShownOnceAndEndsTheLoop)
{
    SetFatalDisplay(RecordFatal);
    Thrower first(Thrower::Kind::Standard);
    Thrower second(Thrower::Kind::Unknown);
    QCoreApplication::postEvent(&first, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&second, new QEvent(QEvent::User));
    QuitLater();
    EXPECT_EQ(QCoreApplication::exec(), ExitStatus::InternalError);
    EXPECT_EQ(first.handled, 1);
    ASSERT_EQ(shown.size(), 1u) << "one box for the program's end";
    EXPECT_EQ(shown.front(), "An internal error ended the program:\nthe handler failed");
    SetFatalDisplay(nullptr);
}

TEST(GuardedLoop, EventsThatThrowNothingAreDeliveredAsBefore)
{
    Thrower quiet(Thrower::Kind::None);
    QCoreApplication::postEvent(&quiet, new QEvent(QEvent::User));
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(quiet.handled, 1);
}

TEST(GuardedLoop, TextOfAnExceptionOfUnknownType)
{
    EXPECT_EQ(GuardedApplication::EscapedText("an exception of unknown type"),
              "An internal error ended the program:\nan exception of unknown type");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    GuardedApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
