// The chart tests draw with Qt Charts, so they need an application object with a screen.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Also when the build lists the tests, which it does without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
