#include <QApplication>

#include <gtest/gtest.h>

// The tests drive real widgets; one application object serves them all.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
