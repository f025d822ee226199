// Window tests: notes heard while composing come back once a play has ended.
#include <functional>
#include <tuple>

#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

// Keys pressed while a file plays are not heard; however the play ends, the next one is.
TEST_F(WindowTest, ComposedNotesAreHeardAgainOnceAPlayEnds) {
    const std::vector<std::pair<const char *, std::function<void()>>> endings = {
        {"Stop", [this] { trigger("O2"); }},
        {"Close", [this] { trigger("C1"); }},
        {"the end of the file", [this] { device->advance(device->length()); }},
    };
    for (const auto &[what, end] : endings) {
        prompt->files = {path("a.MID")};
        trigger("K1");
        trigger("P2");
        ij()->clear();
        QTest::keyClick(ij(), '1');
        end();
        QCoreApplication::processEvents();
        device->clearCommands();
        QTest::keyClick(ij(), '2');
        EXPECT_EQ(device->commands(), QStringList{"audition 0 62 80 500"}) << what;
    }
}

// Once a note was composed, while the program is in front with notes heard, the device
// keeps its output ready for the next; with the notes switched off or another program in front it
// may let it go.
TEST_F(WindowTest, TheSoundIsKeptReadyWhileComposing) {
    const auto application = [](Qt::ApplicationState state) {
        return [state] { emit qApp->applicationStateChanged(state); };
    };
    const std::vector<std::tuple<const char *, std::function<void()>, bool>> steps = {
        {"shown, in front, nothing composed", [] {}, false},
        {"a note composed", [this] { QTest::keyClick(ij(), '1'); }, true},
        {"notes switched off", [this] { trigger("L1"); }, false},
        {"switched on again", [this] { trigger("L1"); }, true},
        {"another program in front", application(Qt::ApplicationInactive), false},
        {"back in front", application(Qt::ApplicationActive), true},
    };
    for (const auto &[what, step, composing] : steps) {
        step();
        EXPECT_EQ(device->composing(), composing) << what;
    }
}

} // namespace
} // namespace tunelet::ui::testing
