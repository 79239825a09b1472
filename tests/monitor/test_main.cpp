#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

// The monitor window and its pictures need an application object; no display is needed.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
