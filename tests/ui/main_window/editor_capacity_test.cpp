// Window tests: a track longer than the line editor holds stays whole in the score, and a
// full editor says so instead of cutting what goes in.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <memory>

#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

constexpr int kCapacity = 16'000'000;

TEST_F(WindowTest, ATrackLongerThanTheEditorHoldsIsNotLoadedAndStaysWhole) {
    const std::string fits(kCapacity, '1');
    const std::string tooLong(kCapacity + 1, '1');
    openScript({fits, tooLong});
    const std::pair<int, const char *> rows[] = {
        {0, nullptr},
        {1, "这条音轨超过16000000个字符，编辑框容纳不下，无法载入编辑；音轨仍完整保留在乐谱中。"}};
    for (const auto &[row, notice] : rows) {
        ij()->setText("9");
        prompt->shown.clear();
        select(row);
        QTest::mouseDClick(lp()->viewport(), Qt::LeftButton, {},
                           lp()->visualRect(lp()->model()->index(row, 0)).center());
        const std::vector<Shown> expected =
            notice ? std::vector<Shown>{{"notice", notice}} : std::vector<Shown>{};
        EXPECT_EQ(prompt->shown, expected) << row;
        EXPECT_EQ(ij()->text().size(), notice ? 1 : kCapacity) << row;
    }
    EXPECT_EQ(lines(), (std::vector<std::string>{fits, tooLong}));
}

TEST_F(WindowTest, AFullEditorSaysSoAndTakesNothingIn) {
    const QString full(kCapacity - 2, QLatin1Char('1'));
    const std::pair<const char *, std::function<void()>> ways[] = {
        {"key", [this] { QTest::keyClick(ij(), '5'); }},
        {"palette",
         [this] {
             auto *palette = window->findChild<QWidget *>("hpf");
             QTest::mouseClick(palette->findChild<QWidget *>("ToolButton1"), Qt::LeftButton);
         }},
        {"paste key",
         [this] {
             QApplication::clipboard()->setText("1fd/");
             QTest::keyClick(ij(), Qt::Key_Insert, Qt::ShiftModifier);
         }},
        {"menu's paste", [this] {
             QApplication::clipboard()->setText("1fd/");
             const std::unique_ptr<QMenu> menu(ij()->createContextMenu());
             menu->findChild<QAction *>("paste")->trigger();
         }}};
    for (const auto &[way, act] : ways) {
        ij()->setText(full);
        prompt->shown.clear();
        act();
        EXPECT_EQ(prompt->shown, (std::vector<Shown>{
                                     {"notice", "编辑框最多只能容纳16000000个字符，无法再插入。"}}))
            << way;
        EXPECT_EQ(ij()->text().size(), full.size()) << way;
    }
}

} // namespace
} // namespace tunelet::ui::testing
