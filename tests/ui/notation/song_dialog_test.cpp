// Song dialog tests: the fields become the song's properties, each change is applied at
// once, Cancel puts back the song as it was, and the 简谱 window draws what is set.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/notation/notation_window.h"
#include "ui/notation/song_dialog.h"
#include "ui/support/when_modal.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

template <typename T> T *field(QWidget *dialog, const char *name) {
    return dialog->findChild<T *>(QLatin1String(name));
}

void type(QWidget *dialog, const char *name, const QString &text) {
    auto *edit = field<QLineEdit>(dialog, name);
    edit->setText(text);
    emit edit->textEdited(text);
}

TEST(SongDialog, EachFieldIsAProperty) {
    struct Case {
        const char *field;
        std::function<void(SongDialog &)> edit;
        std::function<void(score::SongProperties &)> expected; // on the song it starts from
    };
    score::SongProperties start;
    start.title = "旧";
    start.partNames = {"", "伴奏"};
    start.unknownLines = {"later=1"};
    const Case cases[] = {
        {"标题, trimmed", [](SongDialog &d) { type(&d, "title", " 送别 "); },
         [](score::SongProperties &s) { s.title = "送别"; }},
        {"副标题", [](SongDialog &d) { type(&d, "subtitle", "电影插曲"); },
         [](score::SongProperties &s) { s.subtitle = "电影插曲"; }},
        {"作曲", [](SongDialog &d) { type(&d, "composer", "奥德威"); },
         [](score::SongProperties &s) { s.composer = "奥德威"; }},
        {"作词", [](SongDialog &d) { type(&d, "lyricist", "李叔同"); },
         [](score::SongProperties &s) { s.lyricist = "李叔同"; }},
        {"调 1=♭B", [](SongDialog &d) { field<QComboBox>(&d, "key")->setCurrentText("1=♭B"); },
         [](score::SongProperties &s) { s.key = score::Key{10}; }},
        {"拍号 typed 7/8",
         [](SongDialog &d) { field<QComboBox>(&d, "time")->setCurrentText("7/8"); },
         [](score::SongProperties &s) {
             s.time = score::SongTime{7, 8};
         }},
        {"拍号 not a metre keeps the song's",
         [](SongDialog &d) { field<QComboBox>(&d, "time")->setCurrentText("7/7"); },
         [](score::SongProperties &) {}},
        {"弱起 one beat", [](SongDialog &d) { field<QDoubleSpinBox>(&d, "pickup")->setValue(1); },
         [](score::SongProperties &s) { s.pickupTicks = 48; }},
        {"弱起 of a whole bar is none",
         [](SongDialog &d) { field<QDoubleSpinBox>(&d, "pickup")->setValue(4); },
         [](score::SongProperties &) {}},
        {"一拍写作 ♪", [](SongDialog &d) { field<QComboBox>(&d, "beat")->setCurrentIndex(2); },
         [](score::SongProperties &s) { s.beat = score::BeatNote::Eighth; }},
        {"声部名称 of part 1", [](SongDialog &d) { type(&d, "part1", "旋律"); },
         [](score::SongProperties &s) {
             s.partNames = {"旋律", "伴奏"};
         }},
        {"声部名称 cleared", [](SongDialog &d) { type(&d, "part2", ""); },
         [](score::SongProperties &s) { s.partNames = {}; }},
    };
    for (const Case &c : cases) {
        std::vector<score::SongProperties> applied;
        SongDialog dialog(nullptr, start, 2,
                          [&](const score::SongProperties &song) { applied.push_back(song); });
        EXPECT_EQ(dialog.properties(), start) << c.field << ": filled as given";
        c.edit(dialog);
        score::SongProperties expected = start;
        c.expected(expected);
        EXPECT_EQ(dialog.properties(), expected) << c.field;
        ASSERT_FALSE(applied.empty()) << c.field << ": applied at once";
        EXPECT_EQ(applied.back(), expected) << c.field;
        dialog.reject();
        EXPECT_EQ(applied.back(), start) << c.field << ": Cancel puts the song back";
    }
}

class SongWindowTest : public WindowTest {};

// The real dialog, opened from the 简谱 window: what is set is drawn and unsaved.
TEST_F(SongWindowTest, TheSongIsDrawnAndUnsavedUntilSaved) {
    openScript({"5ed/1fb/2fc/", "1ed/"});
    trigger("V1");
    auto *notation = window->findChild<NotationWindow *>(QStringLiteral("notation"));
    ASSERT_NE(notation, nullptr);
    bool seen = false;
    whenModal<SongDialog>(&seen, [](SongDialog *dialog) {
        type(dialog, "title", "生日快乐");
        type(dialog, "composer", "希尔");
        type(dialog, "part1", "旋律");
        field<QComboBox>(dialog, "key")->setCurrentText("1=G");
        field<QComboBox>(dialog, "time")->setCurrentText("3/4");
        field<QDoubleSpinBox>(dialog, "pickup")->setValue(1);
        dialog->accept();
    });
    prompt->choices.push_back(0); // 1=G: the notes keep their sound
    notation->findChild<QPushButton *>(QStringLiteral("songProperties"))->click();
    ASSERT_TRUE(seen);
    EXPECT_FALSE(saved());
    const score::SongProperties &song = window->document().properties();
    EXPECT_EQ(song.title, "生日快乐");
    EXPECT_EQ(song.pickupTicks, 48);
    const NotationDocument shown = notation->currentDocument(false);
    EXPECT_EQ(shown.header.title, "生日快乐");
    EXPECT_EQ(shown.header.composer, "希尔");
    EXPECT_EQ(shown.score.tonic, 7);
    EXPECT_EQ(shown.score.partNames, std::vector<std::string>{"旋律"});
    EXPECT_EQ(shown.score.time, (notation::TimeSignature{3, 4, 4, 48}));
    ASSERT_EQ(shown.score.bars.size(), 3u);
    EXPECT_EQ(shown.score.bars[0].parts[0].glyphs[0].degree, 1); // G3 in 1=G
    // The view, kept between edits, draws the same.
    const notation::Score &drawn = notation->view()->score();
    EXPECT_EQ(drawn.tonic, 7);
    EXPECT_EQ(drawn.partNames, std::vector<std::string>{"旋律"});
    EXPECT_EQ(drawn.bars.at(0).number, 0);
    EXPECT_EQ(notation->view()->header().composer, "希尔");
    auto *time = notation->findChild<QComboBox *>(QStringLiteral("timeSignature"));
    EXPECT_EQ(time->currentText(), "3/4");

    // The metre chosen in the window is the song's, and is drawn.
    time->setCurrentText("12/8");
    EXPECT_EQ(window->document().properties().time, (score::SongTime{12, 8}));
    EXPECT_EQ(window->document().properties().pickupTicks, 48);
    EXPECT_EQ(notation->currentDocument(false).score.time, (notation::TimeSignature{12, 8, 4, 48}));
}

} // namespace
} // namespace tunelet::ui::testing
