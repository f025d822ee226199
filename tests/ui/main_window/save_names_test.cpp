// Window tests: the name the shared save dialog offers after the other file type's dialog.
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

// A name chosen in one save dialog, and the name the next one offers.
struct OfferCase {
    const char *first; // S1, A1 or MIDI1
    const char *chosen;
    const char *then;
    const char *offered;
};

TEST_F(WindowTest, ASaveDialogOffersTheSharedNameWithItsOwnExtension) {
    const OfferCase cases[] = {
        {"MIDI1", "song", "S1", "song.TNL"},
        {"MIDI1", "song.mid", "A1", "song.TNL"},
        {"S1", "song", "MIDI1", "song.MID"},
        {"A1", "notes.tnl", "MIDI1", "notes.MID"},
        {"A1", "notes", "MIDI1", "notes"},
        {"A1", "song.TNL.bak", "MIDI1", "song.TNL.bak"},
        {"MIDI1", "song.midi", "S1", "song.midi.TNL"},
    };
    for (const OfferCase &c : cases) {
        prompt->answers = {Answer::No, Answer::No}; // an unsaved track; the play question
        trigger("N2");
        trigger("I1");
        prompt->files = {path(c.chosen), std::nullopt};
        trigger(c.first);
        trigger(c.then);
        EXPECT_EQ(prompt->shown.back().lastFileName, path(c.offered)) << c.first << c.chosen;
        prompt->answers.clear();
        prompt->shown.clear();
    }
}

} // namespace
} // namespace tunelet::ui::testing
