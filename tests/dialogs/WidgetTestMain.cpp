#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Widget tests run headless: Qt's offscreen platform unless the caller chose one.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
