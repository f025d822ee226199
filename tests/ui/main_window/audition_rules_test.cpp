// Window tests: notes heard while composing come back once a play has ended.
#include <functional>

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

} // namespace
} // namespace tunelet::ui::testing
