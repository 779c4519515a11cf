// One QApplication for the whole run; every test builds its own windows.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/window_font.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(kalmero::windowFont());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
