// Window tests: practice in the 简谱 window on the fake practice device: a click chooses
// the note to play from, Shift+click the passage to loop, and the sounding notes are
// marked.
#include <QAction>
#include <QComboBox>
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

} // namespace
} // namespace tunelet::ui::testing
