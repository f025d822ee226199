// MIDI import, inside: the events of each track as read, and the tokens a line is written
// with, composed as the keyboard composes them.
#pragma once

#include <string>
#include <vector>

#include "midi/midi_import.h"
#include "midi/smf_reader.h"

namespace tunelet::midi::detail {

struct ImportedTrack {
    std::vector<SmfEvent> events;
};

// The duration letter of a token of exactly `ticks`, or 0 when no token is that long.
char durationLetter(int ticks);

// Appends a note of `ticks` (a multiple of kImportGrid) as one token or, where no token
// is that long, as several struck one after the other. Answers how many tokens.
int appendNote(std::string &line, int key, std::int64_t ticks);
// Appends a rest of `ticks` (a multiple of kImportGrid), longest tokens first.
void appendRest(std::string &line, std::int64_t ticks);

// Appends a volume token when the velocity differs from the one in force. The export
// carries the velocity from each line into the next, so one value serves all lines.
void appendVelocity(std::string &line, int velocity, int &inForce);

} // namespace tunelet::midi::detail
