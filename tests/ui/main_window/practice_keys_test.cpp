// Window tests: F5 in the line editor plays the score from the note under the caret on
// the practice device, never on the transport bar's.
#include <QFile>

#include "export/score_to_midi.h"
#include "ui/notation/practice_session.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

class PracticeKeysTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        auto fake = std::make_unique<playback::testing::FakeSequencer>();
        practice = fake.get();
        window->setPracticeDevice(std::move(fake));
    }
    // What the practice device was given last: the play's start and the score it has open
    // (reopened only when the score changed).
    std::pair<QString, std::string> played() const {
        const QStringList commands = practice->commands();
        const QStringList opens = commands.filter(QStringLiteral("open "));
        const QStringList plays = commands.filter(QStringLiteral("playFrom "));
        if (opens.isEmpty() || plays.isEmpty()) {
            return {};
        }
        return {plays.last(), practice->openedBytes().toStdString()};
    }
    static std::string compiled(const std::vector<std::string> &lines) {
        return midi::compileScore(lines, {48, true}).bytes;
    }

    playback::testing::FakeSequencer *practice = nullptr;
};

TEST_F(PracticeKeysTest, F5PlaysTheScoreFromTheNoteUnderTheCaret) {
    const struct {
        int selected;
        int caret;
        const char *from;
        std::vector<std::string> score;
    } rows[] = {
        {-1, 0, "playFrom 0", {"5fd/", "1fd/@005/2fc/3fd/"}},
        {-1, 4, "playFrom 0", {"5fd/", "1fd/@005/2fc/3fd/"}}, // after "1fd/", as a double-click
        {-1, 5, "playFrom 48", {"5fd/", "1fd/@005/2fc/3fd/"}},
        {-1, 13, "playFrom 48", {"5fd/", "1fd/@005/2fc/3fd/"}},
        {-1, 14, "playFrom 144", {"5fd/", "1fd/@005/2fc/3fd/"}},
        {-1, 17, "playFrom 144", {"5fd/", "1fd/@005/2fc/3fd/"}},
        {0, 9, "playFrom 48", {"1fd/@005/2fc/3fd/"}},
    };
    openScript({"5fd/"});
    for (const auto &row : rows) {
        select(row.selected);
        ij()->setText(QStringLiteral("1fd/@005/2fc/3fd/"));
        ij()->setCursorPosition(row.caret);
        trigger("ijPlayFromHere");
        EXPECT_EQ(played(), std::make_pair(QString::fromUtf8(row.from), compiled(row.score)))
            << "caret " << row.caret;
    }
    EXPECT_TRUE(device->commands().filter("play").isEmpty()) << "mp1's device plays nothing";
}

TEST_F(PracticeKeysTest, AScoreThatDoesNotCompileIsNotPlayed) {
    const struct {
        std::size_t tracks; // of the script; the line being edited replaces the first
        const char *edited;
        QString said;
    } rows[] = {
        {1, "1fd/9fd/", QStringLiteral("音轨有错误，无法播放！")},
        {17, "1fd/", QStringLiteral("音轨有错误，无法播放！\n有17个音轨，最多允许16个")},
    };
    for (const auto &row : rows) {
        if (&row != &rows[0]) {
            prompt->answers.push_back(Answer::No); // the edit of the row before is not saved
        }
        openScript(std::vector<std::string>(row.tracks, "5fd/"),
                   QString::number(row.tracks) + ".TNL");
        prompt->shown.clear();
        select(0);
        ij()->setText(QString::fromUtf8(row.edited));
        trigger("ijPlayFromHere");
        const std::vector<Shown> expected = {{"notice", row.said}};
        EXPECT_EQ(prompt->shown, expected) << row.tracks;
        EXPECT_TRUE(practice->commands().filter("playFrom").isEmpty()) << row.tracks;
        prompt->shown.clear();
    }
}

TEST_F(PracticeKeysTest, ShiftF5StopsThePractice) {
    ij()->setText(QStringLiteral("1fd/"));
    trigger("ijPlayFromHere");
    trigger("ijStopPractice");
    EXPECT_EQ(practice->mode(), playback::DeviceMode::Stopped);
}

} // namespace
} // namespace tunelet::ui::testing
