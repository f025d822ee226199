// Window tests: radio groups and check items of the main menu, and the tool buttons and
// shortcuts that start the same commands as the menu items.
#include <QActionGroup>
#include <QApplication>
#include <QImage>
#include <QToolBar>
#include <algorithm>

#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

// The main menu as the user sees it: item, caption, shortcut, picture, check mark and
// the radio group it belongs to.
struct Item {
    const char *name;
    const char *caption;
    const char *shortcut; // "" for none
    const char *picture;  // file under :/icons, or nullptr
    bool checked;
    const char *group; // the menu whose items are exclusive, or nullptr
};

const Item kMenu[] = {
    {"N2", "新建(&N)", "Ctrl+N", "new", false, nullptr},
    {"O1", "打开(&O)", "Ctrl+O", "open", false, nullptr},
    {"S1", "保存(&S)", "Ctrl+S", "save", false, nullptr},
    {"A1", "另存为(&A)", "", nullptr, false, nullptr},
    {"MIDI1", "导出为&MIDI", "Ctrl+M", "export_midi", false, nullptr},
    {"XML1", "导出为MusicXML(&L)...", "", nullptr, false, nullptr},
    {"X1", "退出(&X)", "", nullptr, false, nullptr},
    {"I1", "插入空白音轨(&I)", "", "insert_track", false, nullptr},
    {"D1", "删除音轨(&D)", "", "delete_track", false, nullptr},
    {"P1", "设置时间增量(&P)", "", nullptr, false, nullptr},
    {"dz", "断奏(&Z)", "", nullptr, true, nullptr},
    {"N01", "a", "", "octave_0", false, "N4"},
    {"N11", "b", "", "octave_1", false, "N4"},
    {"N21", "c", "", "octave_2", false, "N4"},
    {"N31", "d", "", "octave_3", false, "N4"},
    {"N41", "e", "", "octave_4", false, "N4"},
    {"N51", "f", "", "octave_5", true, "N4"},
    {"N61", "g", "", "octave_6", false, "N4"},
    {"N71", "h", "", "octave_7", false, "N4"},
    {"N81", "i", "", "octave_8", false, "N4"},
    {"N91", "j", "", "octave_9", false, "N4"},
    {"N101", "k", "", "octave_10", false, "N4"},
    {"pp1", "a", "", "beat_a", false, "N5"},
    {"pp2", "b", "", "beat_b", false, "N5"},
    {"pp3", "c", "", "beat_c", false, "N5"},
    {"pp4", "d", "", "beat_d", true, "N5"},
    {"pp5", "e", "", "beat_e", false, "N5"},
    {"pp6", "f", "", "beat_f", false, "N5"},
    {"pp7", "g", "", "beat_g", false, "N5"},
    {"pp8", "h", "", "beat_h", false, "N5"},
    {"showT", "辅助输入(&W)", "Ctrl+W", nullptr, true, nullptr},
    {"L1", "试听(&L)", "", nullptr, true, nullptr},
    {"V1", "简谱(&V)", "Ctrl+J", nullptr, false, nullptr},
    {"K1", "打开(&K)", "", "media_open", false, nullptr},
    {"P2", "播放(&P)", "", "media_play", false, nullptr},
    {"O2", "停止(&O)", "", nullptr, false, nullptr},
    {"U1", "暂停(&U)", "", nullptr, false, nullptr},
    {"C1", "关闭(&C)", "", nullptr, false, nullptr},
    {"R1", "软件文档(&R)", "", nullptr, false, nullptr},
    {"A2", "关于(&A)...", "", nullptr, false, nullptr},
};

QImage pixelsOf(const QIcon &icon) {
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST_F(WindowTest, MenuItemsMatchTheirTable) {
    for (const Item &item : kMenu) {
        const QAction *action = control<QAction>(item.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), item.caption) << item.name;
        EXPECT_EQ(action->shortcut().toString(), item.shortcut) << item.name;
        const QImage expected = item.picture
                                    ? QImage(QStringLiteral(":/icons/%1.xpm").arg(item.picture))
                                          .convertToFormat(QImage::Format_ARGB32)
                                    : QImage();
        EXPECT_EQ(pixelsOf(action->icon()), expected) << item.name;
        EXPECT_EQ(action->isChecked(), item.checked) << item.name;
        const QActionGroup *group = action->actionGroup();
        EXPECT_EQ(group ? group->parent()->objectName() : QString(), item.group ? item.group : "")
            << item.name;
    }
}

// A tool button's hint is its item's caption without the access key and the dots.
struct Hint {
    const char *item;
    const char *hint;
};

const Hint kHints[] = {
    {"N2", "新建"},          // "新建(&N)"
    {"MIDI1", "导出为MIDI"}, // "导出为&MIDI": the key marked inside a word
    {"I1", "插入空白音轨"},  // "插入空白音轨(&I)"
    {"K1", "打开"},          // "打开(&K)", the media open button
    {"A2", "关于"},          // "关于(&A)...": the dots go too
    {"N51", "f"},            // a caption without a key stays as it is
};

TEST_F(WindowTest, HintsAreCaptionsWithoutAccessKeys) {
    for (const Hint &row : kHints) {
        EXPECT_EQ(control<QAction>(row.item)->toolTip(), QString::fromUtf8(row.hint)) << row.item;
    }
}

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

// The band row: a tool bar has no frame, margin or spacing of its own, so its buttons,
// gaps and transport bar fill it edge to edge and it is as high as the tallest of them.
TEST_F(WindowTest, ToolBarsAreFilledEdgeToEdgeByTheirItems) {
    for (const char *name : {"ToolBar1", "ToolBar2"}) {
        const auto *bar = control<QToolBar>(name);
        int left = bar->width();
        int widths = 0;
        int tallest = 0;
        for (const QWidget *item : bar->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (item->isVisible()) {
                left = std::min(left, item->x());
                widths += item->width();
                tallest = std::max(tallest, item->height());
            }
        }
        EXPECT_EQ(QRect(left, 0, widths, tallest), bar->rect()) << name;
    }
}

} // namespace
} // namespace tunelet::ui::testing
