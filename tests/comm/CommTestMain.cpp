#include <QCoreApplication>

#include <gtest/gtest.h>

// The send task is a timer of this thread; it needs an application object.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
