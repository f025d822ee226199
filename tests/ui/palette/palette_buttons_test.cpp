// Window tests: the palette's rest button at every beat, each button's picture, and the
// time increment's whole range.
#include <QImage>
#include <QToolButton>

#include "ui/palette/input_palette.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

QToolButton *paletteButton(const MainWindow &window, const char *name) {
    auto *found = window.findChild<InputPalette *>()->findChild<QToolButton *>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST_F(WindowTest, PaletteRestTakesTheBeatButtonDown) {
    const std::pair<const char *, const char *> beats[] = {
        {"pp1", "0a/"}, {"pp2", "0b/"}, {"pp3", "0c/"}, {"pp4", "0d/"},
        {"pp5", "0e/"}, {"pp6", "0f/"}, {"pp7", "0g/"}, {"pp8", "0h/"}};
    for (const auto &[beat, rest] : beats) {
        ij()->clear();
        QTest::mouseClick(paletteButton(*window, beat), Qt::LeftButton);
        QTest::mouseClick(paletteButton(*window, "ToolButton9"), Qt::LeftButton);
        EXPECT_EQ(ij()->text(), rest) << beat;
    }
}

// Each palette button and the picture it shows, a file under :/palette.
TEST_F(WindowTest, PaletteButtonsShowTheirPictures) {
    const std::pair<const char *, const char *> pictures[] = {
        {"ToolButton1", "digit_1"},  {"ToolButton2", "digit_2"},
        {"ToolButton3", "digit_3"},  {"ToolButton4", "digit_4"},
        {"ToolButton5", "digit_5"},  {"ToolButton6", "digit_6"},
        {"ToolButton7", "digit_7"},  {"ToolButton9", "digit_0"},
        {"ToolButton30", "at_sign"}, {"ToolButton37", "sharp_sign"},
        {"ToolButton31", "sharp_1"}, {"ToolButton32", "sharp_2"},
        {"ToolButton33", "sharp_4"}, {"ToolButton34", "sharp_5"},
        {"ToolButton35", "sharp_6"}, {"pp1", "beat_dash3"},
        {"pp2", "beat_dash2"},       {"pp3", "beat_dash1"},
        {"pp4", "beat_block"},       {"pp5", "beat_bar1"},
        {"pp6", "beat_bar2"},        {"pp7", "beat_bar3"},
        {"pp8", "beat_dot"},         {"t0", "digit_0"},
        {"t1", "digit_1"},           {"t2", "digit_2"},
        {"t3", "digit_3"},           {"t4", "digit_4"},
        {"t5", "digit_5"},           {"t6", "digit_6"},
        {"t7", "digit_7"},           {"t8", "digit_8"},
        {"t9", "digit_9"},           {"t10", "digit_10"}};
    for (const auto &[button, file] : pictures) {
        const QImage shown = paletteButton(*window, button)
                                 ->icon()
                                 .pixmap(QSize(16, 16))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown, QImage(QStringLiteral(":/palette/%1.xpm").arg(file))
                             .convertToFormat(QImage::Format_ARGB32))
            << button;
    }
}

TEST_F(WindowTest, TimeIncrementTakesEveryValueUpTo384) {
    const std::pair<const char *, int> typed[] = {{"384", 384}, {"385", 384}, {"1", 1}};
    for (const auto &[text, expected] : typed) {
        prompt->dialogs = {[text = text](QDialog &d) {
            d.findChild<QLineEdit *>("et")->setText(text);
            return 1;
        }};
        trigger("P1");
        EXPECT_EQ(window->timeIncrement(), expected) << text;
    }
}

} // namespace
} // namespace tunelet::ui::testing
