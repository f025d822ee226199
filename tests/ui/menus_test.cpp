// Window tests: radio groups and check items of the main menu, and the tool buttons and
// shortcuts that start the same commands as the menu items.
#include <QApplication>

#include "window_fixture.h"

namespace tunelet::ui::testing {
namespace {

TEST_F(WindowTest, RadioItemsAreExclusiveWithinTheirOwnMenu) {
    const auto checked = [this](const char *name) { return control<QAction>(name)->isChecked(); };
    EXPECT_TRUE(checked("N51"));
    EXPECT_TRUE(checked("pp4"));
    EXPECT_TRUE(checked("dz"));
    EXPECT_TRUE(checked("showT"));

    trigger("N21");
    EXPECT_TRUE(checked("N21"));
    EXPECT_FALSE(checked("N51"));
    EXPECT_TRUE(checked("pp4")) << "the beat menu is a group of its own";

    trigger("dz");
    EXPECT_FALSE(window->staccato());
    trigger("dz");
    EXPECT_TRUE(window->staccato());
}

TEST_F(WindowTest, ToolButtonsStartTheCommandsOfTheirItems) {
    click("ToolButton4");
    click("ToolButton7");
    click("ToolButton6");
    prompt->files = {std::nullopt};
    click("ToolButton10");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"notice", "当前没有任何音轨存在！"},
                                                 {"notice", "没有选中的音轨！"},
                                                 {"open", "*.MID|*.MID|*.*|*.*"}}));
    EXPECT_EQ(lines(), std::vector<std::string>{""});
}

TEST_F(WindowTest, CtrlLetterShortcutsReachTheirCommands) {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window->windowHandle(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"notice", "当前没有任何音轨存在！"}}));

    trigger("I1");
    prompt->files = {path("s")};
    QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readAll(path("s.TNL")), "\r\n");
}

} // namespace
} // namespace tunelet::ui::testing
