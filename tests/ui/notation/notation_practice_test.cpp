// Window tests: practice in the 简谱 window on the fake practice device: a click chooses
// the note to play from, Shift+click the passage to loop, and the sounding notes are
// marked.
#include <QAction>
#include <QFileInfo>

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
    void clickNote(std::size_t part, std::size_t index, Qt::KeyboardModifiers keys = {}) {
        const notation::System &system = notation->view()->layout().systems.at(0);
        const QPointF at = notation->view()->toView(glyph(part, index).x + 2,
                                                    system.top + system.rows[part].baseline - 2);
        QTest::mouseClick(notation->view(), Qt::LeftButton, keys, at.toPoint());
    }
    QAction *barAction(const char *name) const {
        return notation->findChild<QAction *>(QLatin1String(name));
    }

    playback::testing::FakeSequencer *practice = nullptr;
    NotationWindow *notation = nullptr;
};

TEST_F(NotationPracticeTest, AClickChoosesWhereToPlayFromAndShiftClickThePassageToLoop) {
    struct Click {
        std::size_t part, index;
        bool shift;
    };
    const struct {
        std::vector<Click> clicks;
        const char *command;
        QStringList sent;
    } rows[] = {
        {{{0, 1, false}}, "playFromHere", {"playFrom 48"}},
        {{{1, 1, false}}, "playFromHere", {"playFrom 48"}},
        {{{0, 0, false}, {1, 1, true}}, "loop", {"loop 0 96", "playFrom 0"}},
        {{{0, 2, false}, {0, 1, true}}, "loop", {"loop 48 144", "playFrom 48"}},
    };
    for (const auto &row : rows) {
        barAction("loop")->setChecked(false);
        for (const Click &c : row.clicks) {
            clickNote(c.part, c.index, c.shift ? Qt::ShiftModifier : Qt::NoModifier);
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

// The first marked note is the one sounding at the tick, in the first part that sounds.
TEST_F(NotationPracticeTest, TheSoundingNoteIsMarked) {
    const struct {
        int tick;
        int part, index; // -1: nothing marked
    } rows[] = {{0, 0, 0}, {47, 0, 0}, {60, 0, 1}, {100, 0, 2}, {150, -1, -1}};
    NotationView *view = notation->view();
    for (const auto &row : rows) {
        const QRect marked = view->setMarkedTick(row.tick);
        const int expected =
            row.part < 0 ? -1 : int(view->toView(glyph(row.part, row.index).x, 0).x());
        EXPECT_EQ(marked.isNull() ? -1 : marked.left(), expected) << "tick " << row.tick;
    }
}

} // namespace
} // namespace tunelet::ui::testing
