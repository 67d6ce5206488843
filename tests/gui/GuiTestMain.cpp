// The GUI tests run inside one QApplication on the offscreen platform (set by ctest).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // ctest sets the offscreen platform; test discovery at build time runs without it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
