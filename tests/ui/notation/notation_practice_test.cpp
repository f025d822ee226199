// Window tests: practice in the 简谱 window on the fake practice device: a click chooses
// the note to play from, Shift+click the passage to loop, and the sounding notes are
// marked.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>
#include <functional>

#include "ui/notation/notation_view.h"
#include "ui/notation/notation_window.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

class NotationPracticeTest : public WindowTest {
public:
    void SetUp() override {
        WindowTest::SetUp();
        auto fake = std::make_unique<playback::testing::FakeSequencer>();
        practice = fake.get();
        window->setPracticeDevice(std::move(fake));
        openScript({"1fd/2fd/3fd/", "5fd/6fd/"});
        trigger("V1");
        notation = window->findChild<NotationWindow *>(QStringLiteral("notation"));
        ASSERT_NE(notation, nullptr);
    }
    const notation::PlacedGlyph &glyph(std::size_t part, std::size_t index) const {
        const notation::System &system = notation->view()->layout().systems.at(0);
        for (const notation::PlacedGlyph &g : system.glyphs) {
            if (g.part == part && g.index == index) {
                return g;
            }
        }
        throw std::out_of_range("no such glyph");
    }
    QPointF notePoint(std::size_t part, std::size_t index) const {
        const notation::System &system = notation->view()->layout().systems.at(0);
        return notation->view()->toView(glyph(part, index).x + 2,
                                        system.top + system.rows[part].baseline - 2);
    }
    void clickNote(std::size_t part, std::size_t index, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(notation->view(), Qt::LeftButton, keys, notePoint(part, index).toPoint());
    }
    QAction *barAction(const char *name) const {
        return notation->findChild<QAction *>(QLatin1String(name));
    }
    // Where a click on the part's event lands, in whichever bar it stands.
    QPoint noteAt(std::size_t part, std::size_t event) const {
        const NotationView *view = notation->view();
        for (const notation::System &system : view->layout().systems) {
            for (const notation::PlacedGlyph &g : system.glyphs) {
                if (g.part == part &&
                    view->score().bars[g.bar].parts[part].glyphs[g.index].event == event) {
                    return view->toView(g.x + 2, system.top + system.rows[part].baseline - 2)
                        .toPoint();
                }
            }
        }
        throw std::out_of_range("no such note");
    }
    QString currentBar() const {
        return notation->findChild<QLabel *>(QStringLiteral("currentBar"))->text();
    }

    playback::testing::FakeSequencer *practice = nullptr;
    NotationWindow *notation = nullptr;
};

TEST_F(NotationPracticeTest, AClickChoosesWhereToPlayFromAndShiftClickThePassageToLoop) {
    enum How { Click, ShiftClick, DragTo };
    struct Press {
        std::size_t part, index;
        How how;
    };
    const struct {
        std::vector<Press> presses;
        bool looping; // before the command
        const char *command;
        QStringList sent;
    } rows[] = {
        {{{0, 1, Click}}, false, "playFromHere", {"playFrom 48"}},
        {{{1, 1, Click}}, false, "playFromHere", {"playFrom 48"}},
        {{{0, 0, Click}, {1, 1, ShiftClick}}, false, "loop", {"loop 0 96", "playFrom 0"}},
        {{{0, 2, Click}, {0, 1, ShiftClick}}, false, "loop", {"loop 48 144", "playFrom 48"}},
        {{{0, 2, Click}, {0, 0, DragTo}}, false, "loop", {"loop 0 144", "playFrom 0"}},
        {{{0, 1, Click}}, true, "loop", {"loop 0 0"}},
    };
    for (const auto &row : rows) {
        barAction("loop")->setChecked(row.looping);
        for (const Press &p : row.presses) {
            if (p.how == DragTo) {
                QMouseEvent move(QEvent::MouseMove, notePoint(p.part, p.index),
                                 notation->view()->mapToGlobal(notePoint(p.part, p.index)),
                                 Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(notation->view(), &move);
            } else {
                clickNote(p.part, p.index,
                          p.how == ShiftClick ? Qt::ShiftModifier : Qt::NoModifier);
            }
        }
        practice->clearCommands();
        barAction(row.command)->trigger();
        EXPECT_EQ(practice->commands().filter(QRegularExpression("^(loop|playFrom)")), row.sent)
            << row.command;
    }
}

// The device reads the practice file whole at Open: neither it nor its folder is left in
// the temporary folder while practising, where a kill would leave them behind.
TEST_F(NotationPracticeTest, ThePracticeFileIsGoneOnceTheDeviceHasIt) {
    practice->clearCommands();
    barAction("playFromHere")->trigger();
    const QStringList opened = practice->commands().filter(QRegularExpression("^open "));
    ASSERT_EQ(opened.size(), 1);
    const QFileInfo file(opened.front().mid(5));
    EXPECT_FALSE(file.exists() || QFileInfo::exists(file.path())) << file.filePath().toStdString();
}

// The first marked note is the one sounding at the tick, in the first part that sounds; a
// rest sounds nothing.
TEST_F(NotationPracticeTest, TheSoundingNoteIsMarked) {
    openScript({"1fd/0d/3fd/", "5fd/6fd/"});
    const struct {
        int tick;
        int part, index; // -1: nothing marked
    } rows[] = {{0, 0, 0}, {47, 0, 0}, {60, 1, 1}, {100, 0, 2}, {150, -1, -1}};
    NotationView *view = notation->view();
    for (const auto &row : rows) {
        const QRect marked = view->setMarkedTick(row.tick);
        EXPECT_TRUE(row.part < 0 ? marked.isNull()
                                 : marked.contains(notePoint(row.part, row.index).toPoint()))
            << "tick " << row.tick;
    }
}

// The clicks follow the time signature: a beat is a quarter note in x/4 and an eighth in
// x/8, and a bar accents its first.
TEST_F(NotationPracticeTest, TheClicksFollowTheTimeSignature) {
    const std::pair<const char *, const char *> rows[] = {
        {"3/8", "clicks 0 0 3 24"}, {"6/8", "clicks 0 0 6 24"}, {"3/4", "clicks 0 0 3 48"}};
    auto *time = notation->findChild<QComboBox *>(QStringLiteral("timeSignature"));
    for (const auto &[shown, sent] : rows) {
        practice->clearCommands();
        time->setCurrentText(QLatin1String(shown));
        EXPECT_EQ(practice->commands().filter("clicks"), QStringList{sent}) << shown;
    }
}

// However the play ends, 循环 comes up and 停止 goes grey; the next F6 loops at once.
TEST_F(NotationPracticeTest, TheBarShowsThePlayWhateverEndedIt) {
    const struct {
        const char *ending;
        std::function<void(NotationPracticeTest &)> end;
        bool playing;
    } rows[] = {
        {"停止", [](NotationPracticeTest &t) { t.barAction("stopPractice")->trigger(); }, false},
        {"the end of the music", [](NotationPracticeTest &t) { t.practice->advance(5000); }, false},
        {"F5 in the main window",
         [](NotationPracticeTest &t) {
             t.ij()->setText(QStringLiteral("1fd/"));
             t.trigger("ijPlayFromHere");
         },
         true},
        {"Pause of the transport bar",
         [](NotationPracticeTest &t) {
             t.prompt->files = {t.path("other.MID")};
             t.trigger("K1");
             t.trigger("U1");
         },
         false},
        {"closing the window", [](NotationPracticeTest &t) { t.notation->close(); }, false},
    };
    for (const auto &row : rows) {
        trigger("V1");
        clickNote(0, 1);
        barAction("loop")->trigger();
        ASSERT_TRUE(barAction("loop")->isChecked()) << row.ending;
        ASSERT_TRUE(barAction("stopPractice")->isEnabled()) << row.ending;
        row.end(*this);
        QCoreApplication::processEvents(); // the device's notice of the end
        EXPECT_FALSE(barAction("loop")->isChecked()) << row.ending;
        EXPECT_EQ(barAction("stopPractice")->isEnabled(), row.playing) << row.ending;
        EXPECT_EQ(practice->mode() == playback::DeviceMode::Playing, row.playing) << row.ending;
        ij()->clear();
        practice->clearCommands();
    }
}

// The choice stays drawn until the next one: the start note framed, the passage shaded, and
// while nothing plays the bar's label names the chosen note's bar.
TEST_F(NotationPracticeTest, AClickShowsTheChosenNoteAndShiftClickThePassage) {
    notation->findChild<QComboBox *>(QStringLiteral("timeSignature"))->setCurrentText("2/4");
    using Note = std::pair<std::size_t, std::size_t>; // part, event
    const struct {
        std::vector<std::pair<Note, bool>> clicks; // with Shift
        Note start;
        std::vector<Note> inside, outside;
        const char *bar;
    } rows[] = {
        {{{{0, 2}, false}}, {0, 2}, {{0, 2}}, {{0, 1}, {1, 1}}, "第 2 小节"},
        {{{{0, 1}, false}}, {0, 1}, {{0, 1}, {1, 1}}, {{0, 0}, {0, 2}}, "第 1 小节"},
        {{{{0, 2}, false}, {{1, 0}, true}}, {1, 0}, {{0, 0}, {1, 1}, {0, 2}}, {}, "第 1 小节"},
    };
    NotationView *view = notation->view();
    const auto covered = [](const std::vector<QRectF> &areas, QPoint at) {
        return std::any_of(areas.begin(), areas.end(),
                           [at](const QRectF &r) { return r.contains(at); });
    };
    for (const auto &row : rows) {
        for (const auto &[note, shift] : row.clicks) {
            QTest::mouseClick(view, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier,
                              noteAt(note.first, note.second));
        }
        const std::vector<QRectF> cells = view->chosenCells();
        ASSERT_EQ(cells.size(), 1u) << row.bar;
        EXPECT_TRUE(cells.front().contains(noteAt(row.start.first, row.start.second))) << row.bar;
        for (const Note &n : row.inside) {
            EXPECT_TRUE(covered(view->passageBands(), noteAt(n.first, n.second)))
                << row.bar << " " << n.first << "/" << n.second;
        }
        for (const Note &n : row.outside) {
            EXPECT_FALSE(covered(view->passageBands(), noteAt(n.first, n.second)))
                << row.bar << " " << n.first << "/" << n.second;
        }
        EXPECT_EQ(currentBar(), QString::fromUtf8(row.bar));
    }
}

// The playing mark shows on every part, the one being composed (on its tinted row) too.
TEST_F(NotationPracticeTest, ThePlayingMarkShowsOnThePartBeingComposed) {
    select(0);
    ij()->setText(QStringLiteral("1fd/2fd/4fd/"));
    ij()->setCursorPosition(0);
    NotationView *view = notation->view();
    ASSERT_EQ(view->score().editedPart, 0);
    const QImage before = view->grab().toImage();
    trigger("ijPlayFromHere"); // F5 in the main window
    const QImage marked = view->grab().toImage();
    const notation::System &system = view->layout().systems.at(0);
    for (const std::size_t part : {0u, 1u}) {
        const QPoint at =
            view->toView(glyph(part, 0).x + 1, system.top + system.rows[part].top + 1).toPoint();
        EXPECT_NE(marked.pixel(at), before.pixel(at)) << "part " << part;
    }
}

// What is sung is marked with what sounds, in every verse: a syllable on its note and on
// the notes it is held over.
TEST_F(NotationPracticeTest, TheSungSyllablesAreMarkedWithTheirNotes) {
    auto *words = notation->findChild<QLineEdit *>(QStringLiteral("words"));
    auto *verse = notation->findChild<QComboBox *>(QStringLiteral("verse"));
    ASSERT_TRUE(words && verse);
    typeText(words, QStringLiteral("一_闪"));
    verse->setCurrentIndex(1);
    typeText(words, QStringLiteral("Twin-kle star"));
    const struct {
        int tick;
        std::vector<std::string> sung;
    } rows[] = {{0, {"一", "Twin"}}, {60, {"一", "kle"}}, {100, {"闪", "star"}}, {150, {}}};
    NotationView *view = notation->view();
    const QImage plain = view->grab().toImage();
    for (const auto &row : rows) {
        view->setMarkedTick(row.tick);
        std::vector<std::string> sung;
        for (const notation::PlacedSyllable *syllable : view->markedSyllables()) {
            sung.push_back(syllable->text);
        }
        EXPECT_EQ(sung, row.sung) << "tick " << row.tick;
    }
    // Drawn: the paper beside the sung syllable takes the playing note's tint.
    view->setMarkedTick(100);
    const notation::System &system = view->layout().systems.at(0);
    const notation::PlacedSyllable *sung = view->markedSyllables().at(0);
    ASSERT_EQ(sung->verse, 0u);
    const QPoint beside =
        view->toView(sung->x - sung->width / 2 - 1, system.top + system.rows[0].wordsTop + 2)
            .toPoint();
    EXPECT_NE(view->grab().toImage().pixel(beside), plain.pixel(beside));
}

} // namespace
} // namespace tunelet::ui::testing
