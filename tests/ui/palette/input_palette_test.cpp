// Window tests: the input palette, and the Scale, Beat, Tools, time increment and Help items.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>

#include "ui/palette/input_palette.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

class PaletteTest : public WindowTest {
public:
    InputPalette *palette() const { return window->findChild<InputPalette *>(); }
    QToolButton *button(const char *name) const {
        auto *found = palette()->findChild<QToolButton *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void press(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString preview() const { return palette()->findChild<QLineEdit *>("lle")->text(); }
    QStringList down(const char *prefix) const {
        QStringList names;
        for (auto *b : palette()->findChildren<QToolButton *>()) {
            if (b->objectName().startsWith(QLatin1String(prefix)) && b->isChecked()) {
                names << b->objectName();
            }
        }
        return names;
    }
    void openMenu(const char *name) const { emit control<QMenu>(name)->aboutToShow(); }
};

struct ButtonCase {
    std::vector<const char *> first; // octave and beat buttons pressed before
    const char *button;
    const char *inserted;
    const char *preview;
};

TEST_F(PaletteTest, EachButtonInsertsItsTokenAtTheCurrentOctaveAndBeat) {
    const std::vector<ButtonCase> cases = {
        {{}, "ToolButton1", "1fd/", "1fd/"},      {{}, "ToolButton9", "0d/", "0d/"},
        {{}, "ToolButton33", "xfd/", "xfd/"},     {{"t3", "pp5"}, "ToolButton2", "2de/", "2de/"},
        {{"t10"}, "ToolButton5", "5kd/", "5kd/"}, {{"t10"}, "ToolButton6", "", "6kd/"},
        {{"t10"}, "ToolButton7", "", "7kd/"},     {{"t10"}, "ToolButton34", "", "ykd/"},
        {{"t10"}, "ToolButton35", "", "zkd/"},    {{"t0", "pp1"}, "ToolButton31", "vaa/", "vaa/"},
    };
    for (const ButtonCase &c : cases) {
        press("t5");
        press("pp4");
        ij()->clear();
        QApplication::clipboard()->setText("kept");
        for (const char *name : c.first) {
            press(name);
        }
        press(c.button);
        EXPECT_EQ(ij()->text(), c.inserted) << c.button;
        EXPECT_EQ(preview(), c.preview) << c.button;
        EXPECT_EQ(QApplication::clipboard()->text(), *c.inserted ? c.inserted : "kept");
    }
}

TEST_F(PaletteTest, OneBeatAndOneOctaveButtonAreDownAndStayDownWhenClickedAgain) {
    EXPECT_EQ(down("pp"), QStringList{"pp4"});
    EXPECT_EQ(down("t"), QStringList{"t5"});
    press("t5");
    press("pp7");
    press("pp7");
    EXPECT_EQ(down("pp"), QStringList{"pp7"});
    EXPECT_EQ(down("t"), QStringList{"t5"});
}

TEST_F(PaletteTest, MenusPushThePalettesButtonsAndCatchUpWhenOpened) {
    trigger("N21"); // scale "c"
    trigger("pp1"); // beat "a"
    EXPECT_EQ(down("t"), QStringList{"t2"});
    EXPECT_EQ(down("pp"), QStringList{"pp1"});
    EXPECT_EQ(ij()->text(), "") << "pushing a button from the menu composes nothing";
    QTest::keyClick(ij(), '2');
    EXPECT_EQ(ij()->text(), "2ca/");

    press("t7");  // octave "h", the menu does not follow yet
    press("pp5"); // beat "e"
    EXPECT_TRUE(control<QAction>("N21")->isChecked());
    openMenu("N4");
    openMenu("N5");
    EXPECT_TRUE(control<QAction>("N71")->isChecked());
    EXPECT_TRUE(control<QAction>("pp5")->isChecked());
}

TEST_F(PaletteTest, CloseBoxHidesAndCtrlWShowsItAgain) {
    EXPECT_TRUE(palette()->isVisible());
    EXPECT_FALSE(palette()->close()) << "the close box only hides it";
    EXPECT_FALSE(palette()->isVisible());
    openMenu("T1");
    EXPECT_FALSE(control<QAction>("showT")->isChecked());

    trigger("showT"); // Ctrl+W: the menu's open action runs first
    EXPECT_TRUE(palette()->isVisible());
    EXPECT_TRUE(control<QAction>("showT")->isChecked());
    trigger("showT");
    EXPECT_FALSE(palette()->isVisible());
    EXPECT_FALSE(control<QAction>("showT")->isChecked());
}

TEST_F(PaletteTest, StartsWithItsBottomRightOnTheWindowsAndKeepsTheFocusInTheEditor) {
    EXPECT_EQ(palette()->frameGeometry().bottomRight(), window->frameGeometry().bottomRight());
    EXPECT_EQ(palette()->size(), QSize(345, 121));
    EXPECT_TRUE(palette()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(palette()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ij()->setFocus();
    press("ToolButton3");
    EXPECT_EQ(QApplication::focusWidget(), ij());
    EXPECT_EQ(QApplication::activeWindow(), window.get());
    QTest::keyClick(ij(), '4');
    EXPECT_EQ(ij()->text(), "3fd/4fd/");
}

TEST_F(PaletteTest, InstrumentAndVolumeButtonsUseTheirDialogs) {
    const auto row = [](int r) {
        return [r](QDialog &d) {
            d.findChild<QListWidget *>("lyq")->setCurrentRow(r);
            return 1;
        };
    };
    const auto value = [](const char *typed) {
        return [typed](QDialog &d) {
            d.findChild<QLineEdit *>("et")->setText(typed);
            return 1;
        };
    };
    prompt->dialogs = {row(5), value("0"), value("255"), row(-1)};
    press("ToolButton30");
    press("ToolButton37");
    press("ToolButton37");
    press("ToolButton30");
    EXPECT_EQ(ij()->text(), "@005/#000/#255/");
    EXPECT_EQ(prompt->shown.back(), (Shown{"notice", "没有选择乐器！"}));
    EXPECT_EQ(button("ToolButton30")->toolTip(), "设置乐器");
    EXPECT_EQ(button("ToolButton37")->toolTip(), "设置音量");
}

TEST_F(PaletteTest, TimeIncrementStartsAtItsValueAndOutlivesNewAndOpen) {
    const auto startsAt = [](int expected, int result, const char *typed) {
        return [=](QDialog &d) {
            auto *et = d.findChild<QLineEdit *>("et");
            EXPECT_EQ(et->text(), QString::number(expected));
            et->setText(typed);
            return result;
        };
    };
    prompt->dialogs = {startsAt(48, 1, "96"), startsAt(96, 2, "7"), startsAt(96, 1, "0")};
    trigger("P1");
    trigger("P1");
    EXPECT_EQ(window->timeIncrement(), 96) << "Cancel keeps it";
    trigger("N2");
    openScript({"1fd/"});
    EXPECT_EQ(window->timeIncrement(), 96);
    trigger("P1");
    EXPECT_EQ(window->timeIncrement(), 0) << "0 is taken here and refused by the export";
    EXPECT_EQ(prompt->shown.front(), (Shown{"dialog", "设置时间增量"}));
}

TEST_F(PaletteTest, HelpItemsOpenTheDocumentationAndTheAboutBox) {
    prompt->dialogs = {[](QDialog &) { return 2; }, [](QDialog &) { return 1; }};
    trigger("R1");
    trigger("A2");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"dialog", "软件文档"}, {"dialog", "关于"}}));
}

} // namespace
} // namespace tunelet::ui::testing
