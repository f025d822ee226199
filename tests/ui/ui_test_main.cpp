// Window tests: the program's own application object (so errors leaving a handler meet
// the general error handler), on the offscreen platform.
#include <gtest/gtest.h>

#include "ui/common/application.h"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tunelet::ui::Application app(argc, argv);
    tunelet::ui::loadChineseQtTexts(app);
    app.setQuitOnLastWindowClosed(false); // each test closes its own window
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
