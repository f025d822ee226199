// MusicXML export: the score's track lines as a MusicXML 4.0 partwise score.
#include "musicxml/musicxml_writer.h"

#include <QBuffer>
#include <QXmlStreamWriter>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "export/score_to_midi.h"
#include "musicxml/percussion_kit.h"
#include "musicxml/score_writer.h"
#include "musicxml/staff_pitch.h"
#include "notation/timed_events.h"
#include "score/atomic_file.h"
#include "score/lyrics.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::musicxml {

namespace {

using detail::kDrumTrack;
using detail::NoteValue;
using detail::Part;
using detail::Sounding;
using notation::kTicksPerBeat; // a script beat

constexpr int kMaxDataByte = 127;
constexpr int kMiddleKey = 60;       // C4, octave letter f of the script
constexpr int kBassClefBelow = 57;   // a part whose notes lie lower on average reads in F clef
constexpr double kFullVelocity = 90; // the velocity that <sound dynamics> calls 100
constexpr int kSmallestTicks = 6;    // the shortest note the script writes (a 32nd)

// The note values a length is written with, longest first, in script ticks when a script
// beat is a quarter note: every multiple of the shortest is a sum of them, so a length no
// single value shows becomes tied notes.
constexpr std::array<NoteValue, 14> kNoteValues = {{{384, "breve", 0},
                                                    {288, "whole", 1},
                                                    {192, "whole", 0},
                                                    {144, "half", 1},
                                                    {96, "half", 0},
                                                    {72, "quarter", 1},
                                                    {48, "quarter", 0},
                                                    {36, "eighth", 1},
                                                    {24, "eighth", 0},
                                                    {18, "16th", 1},
                                                    {12, "16th", 0},
                                                    {9, "32nd", 1},
                                                    {6, "32nd", 0},
                                                    {3, "64th", 0}}};

// A readable dynamics mark for a velocity: the mark whose usual velocity is nearest.
struct DynamicsMark {
    int below; // velocities under this one take the mark
    const char *mark;
};
constexpr std::array<DynamicsMark, 6> kDynamicsMarks = {
    {{42, "pp"}, {58, "p"}, {74, "mp"}, {90, "mf"}, {106, "f"}, {kMaxDataByte + 1, "ff"}}};

// A decimal without trailing zeros: 120, 88.89.
QString decimal(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

int velocityOf(int volume) {
    return std::clamp(volume, 0, kMaxDataByte);
}

const char *dynamicsMark(int velocity) {
    for (const DynamicsMark &mark : kDynamicsMarks) {
        if (velocity < mark.below) {
            return mark.mark;
        }
    }
    return kDynamicsMarks.back().mark;
}

// The bar lines: where each measure starts, then where the last one ends.
std::vector<int> measureStarts(int songTicks, int barTicks, int pickup) {
    std::vector<int> starts{0};
    int at = pickup > 0 ? pickup : barTicks;
    while (at < songTicks) {
        starts.push_back(at);
        at += barTicks;
    }
    starts.push_back(at);
    return starts;
}

} // namespace

namespace detail {

ScoreWriter::ScoreWriter(QXmlStreamWriter &xml, const SongInfo &song, int division)
    : m_xml(xml), m_song(song), m_division(division), m_keyAlters(keySignature(song.fifths)) {
    m_beatNote = song.beatNote == 2 || song.beatNote == 8 ? song.beatNote : 4;
    m_beats = std::clamp(song.beats, 1, 99);
    m_unit = song.beatUnit == 2 || song.beatUnit == 8 ? song.beatUnit : 4;
    // A whole note is as many script ticks as beatNote script beats.
    m_barTicks = m_beats * kTicksPerBeat * m_beatNote / m_unit;
    // A pickup shorter than a bar, in whole 32nds of the script.
    const int pickup = song.pickupTicks / kSmallestTicks * kSmallestTicks;
    m_pickup = pickup > 0 && pickup < m_barTicks ? pickup : 0;
    // The note values in script ticks for this beat note; those that are no whole
    // number of ticks are never needed.
    for (const NoteValue &value : kNoteValues) {
        if (value.ticks * m_beatNote % 4 == 0) {
            m_values.push_back({value.ticks * m_beatNote / 4, value.type, value.dots});
        }
    }
}

std::vector<Part> ScoreWriter::readParts(const std::vector<std::string> &lines) const {
    std::vector<Part> parts;
    int volume = 80; // the export carries the volume from track to track
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const notation::Track track = notation::readTrack(lines[k], volume);
        volume = track.volumeAtEnd;
        if (track.events.empty() && !(k + 1 == lines.size() && parts.empty())) {
            continue;
        }
        Part part;
        part.track = k;
        part.id = QStringLiteral("P%1").arg(k + 1);
        part.program = std::clamp(track.firstProgram, 0, kMaxDataByte);
        for (const notation::TimedEvent &timed : track.events) {
            Sounding event{timed.onset, timed.length, -1, timed.program, timed.volume, -1};
            if (timed.degree != 0) {
                event.key = 12 * (timed.octave + kMiddleKey / 12) +
                            kNaturals[static_cast<std::size_t>(timed.degree - 1)] +
                            (timed.sharp ? 1 : 0);
                if (k == kDrumTrack) {
                    part.drums.insert(event.key);
                } else if (event.key < 12) {
                    part.written = 12;
                }
            }
            part.events.push_back(event);
        }
        placeWords(part);
        if (k < m_song.partNames.size() && !m_song.partNames[k].isEmpty()) {
            part.name = m_song.partNames[k];
        } else {
            part.name = k == kDrumTrack ? ui::texts::kDrumsLabel
                                        : ui::texts::kInstrumentNames.value(part.program);
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

void ScoreWriter::write(const std::vector<std::string> &lines) {
    std::vector<Part> parts = readParts(lines);
    int songTicks = 0;
    for (const Part &part : parts) {
        if (!part.events.empty()) {
            songTicks = std::max(songTicks, part.events.back().onset + part.events.back().length);
        }
    }
    const std::vector<int> starts = measureStarts(songTicks, m_barTicks, m_pickup);
    // Every part fills the last measure: the shorter ones rest to the song's end.
    for (Part &part : parts) {
        const int end =
            part.events.empty() ? 0 : part.events.back().onset + part.events.back().length;
        if (end < starts.back()) {
            Sounding rest;
            rest.onset = end;
            rest.length = starts.back() - end;
            rest.program = part.events.empty() ? -1 : part.events.back().program;
            rest.volume = part.events.empty() ? 80 : part.events.back().volume;
            part.events.push_back(rest);
        }
    }

    m_xml.writeStartDocument();
    m_xml.writeDTD(
        QStringLiteral("<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML "
                       "4.0 Partwise//EN\" \"http://www.musicxml.org/dtds/partwise.dtd\">"));
    m_xml.writeStartElement(QStringLiteral("score-partwise"));
    m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral("4.0"));
    writeHeader();
    writePartList(parts);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        writePart(parts[p], starts, p == 0);
    }
    m_xml.writeEndElement();
    m_xml.writeEndDocument();
}

void ScoreWriter::writePart(const Part &part, const std::vector<int> &starts, bool first) {
    m_xml.writeStartElement(QStringLiteral("part"));
    m_xml.writeAttribute(QStringLiteral("id"), part.id);
    std::size_t next = 0; // the first event not yet written whole
    for (std::size_t m = 0; m + 1 < starts.size(); ++m) {
        const int start = starts[m];
        const int end = starts[m + 1];
        m_xml.writeStartElement(QStringLiteral("measure"));
        // A pickup is measure 0 and does not count as a bar.
        m_xml.writeAttribute(QStringLiteral("number"), QString::number(m_pickup > 0 ? m : m + 1));
        if (m == 0 && m_pickup > 0) {
            m_xml.writeAttribute(QStringLiteral("implicit"), QStringLiteral("yes"));
        }
        if (m == 0) {
            writeAttributes(part);
            if (first) {
                writeTempo();
            }
        }
        m_measureAlters.clear();
        while (next < part.events.size() && part.events[next].onset < end) {
            const Sounding &event = part.events[next];
            if (event.onset >= start) {
                writeMarks(part, event, next > 0 ? &part.events[next - 1] : nullptr);
            }
            const int eventEnd = event.onset + event.length;
            const int pieceStart = std::max(event.onset, start);
            const int pieceEnd = std::min(eventEnd, end);
            writeNote(part, event, pieceStart, pieceEnd, pieceStart == start && pieceEnd == end);
            if (eventEnd > end) {
                break; // goes on in the next measure
            }
            ++next;
        }
        m_xml.writeEndElement(); // measure
    }
    m_xml.writeEndElement(); // part
}

void ScoreWriter::writeAttributes(const Part &part) {
    m_xml.writeStartElement(QStringLiteral("attributes"));
    // Durations are script ticks: a quarter note is as many as the beat note makes it.
    m_xml.writeTextElement(QStringLiteral("divisions"),
                           QString::number(kTicksPerBeat * m_beatNote / 4));
    m_xml.writeStartElement(QStringLiteral("key"));
    m_xml.writeTextElement(QStringLiteral("fifths"),
                           QString::number(std::clamp(m_song.fifths, -7, 7)));
    m_xml.writeTextElement(QStringLiteral("mode"), QStringLiteral("major"));
    m_xml.writeEndElement();
    m_xml.writeStartElement(QStringLiteral("time"));
    m_xml.writeTextElement(QStringLiteral("beats"), QString::number(m_beats));
    m_xml.writeTextElement(QStringLiteral("beat-type"), QString::number(m_unit));
    m_xml.writeEndElement();
    m_xml.writeStartElement(QStringLiteral("clef"));
    if (part.track == kDrumTrack) {
        m_xml.writeTextElement(QStringLiteral("sign"), QStringLiteral("percussion"));
    } else {
        long sum = 0;
        int notes = 0;
        for (const Sounding &event : part.events) {
            if (event.key >= 0) {
                sum += event.key;
                ++notes;
            }
        }
        const bool bass = notes > 0 && sum < static_cast<long>(kBassClefBelow) * notes;
        m_xml.writeTextElement(QStringLiteral("sign"),
                               bass ? QStringLiteral("F") : QStringLiteral("G"));
        m_xml.writeTextElement(QStringLiteral("line"),
                               bass ? QStringLiteral("4") : QStringLiteral("2"));
    }
    m_xml.writeEndElement(); // clef
    if (part.written != 0) {
        m_xml.writeStartElement(QStringLiteral("transpose"));
        m_xml.writeTextElement(QStringLiteral("diatonic"), QStringLiteral("0"));
        m_xml.writeTextElement(QStringLiteral("chromatic"), QStringLiteral("0"));
        m_xml.writeTextElement(QStringLiteral("octave-change"), QStringLiteral("-1"));
        m_xml.writeEndElement();
    }
    m_xml.writeEndElement(); // attributes
}

// The speed the time increment gives, in script beats a minute: a metronome mark of the
// beat's note value to read, and a tempo in quarter notes to play.
void ScoreWriter::writeTempo() {
    m_xml.writeStartElement(QStringLiteral("direction"));
    m_xml.writeAttribute(QStringLiteral("placement"), QStringLiteral("above"));
    m_xml.writeStartElement(QStringLiteral("direction-type"));
    m_xml.writeStartElement(QStringLiteral("metronome"));
    m_xml.writeTextElement(QStringLiteral("beat-unit"), m_beatNote == 2 ? QStringLiteral("half")
                                                        : m_beatNote == 8
                                                            ? QStringLiteral("eighth")
                                                            : QStringLiteral("quarter"));
    m_xml.writeTextElement(QStringLiteral("per-minute"),
                           QString::fromStdString(notation::beatsPerMinuteText(m_division)));
    m_xml.writeEndElement();
    m_xml.writeEndElement();
    m_xml.writeEmptyElement(QStringLiteral("sound"));
    m_xml.writeAttribute(QStringLiteral("tempo"),
                         decimal(notation::beatsPerMinute(m_division) * 4 / m_beatNote));
    m_xml.writeEndElement();
}

// Before a note: the dynamics where the velocity changes (and at the part's first note),
// the instrument where it changes.
void ScoreWriter::writeMarks(const Part &part, const Sounding &event, const Sounding *before) {
    if (before == nullptr || velocityOf(before->volume) != velocityOf(event.volume)) {
        const int velocity = velocityOf(event.volume);
        m_xml.writeStartElement(QStringLiteral("direction"));
        m_xml.writeAttribute(QStringLiteral("placement"), QStringLiteral("below"));
        m_xml.writeStartElement(QStringLiteral("direction-type"));
        m_xml.writeStartElement(QStringLiteral("dynamics"));
        m_xml.writeEmptyElement(QLatin1String(dynamicsMark(velocity)));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_xml.writeEmptyElement(QStringLiteral("sound"));
        m_xml.writeAttribute(QStringLiteral("dynamics"), decimal(velocity / kFullVelocity * 100));
        m_xml.writeEndElement();
    }
    const int program = before != nullptr && before->program >= 0 ? before->program : part.program;
    if (part.track != kDrumTrack && event.program >= 0 && event.program != program) {
        m_xml.writeStartElement(QStringLiteral("sound"));
        m_xml.writeStartElement(QStringLiteral("midi-instrument"));
        m_xml.writeAttribute(QStringLiteral("id"), instrumentId(part, -1));
        m_xml.writeTextElement(QStringLiteral("midi-program"),
                               QString::number(std::clamp(event.program, 0, kMaxDataByte) + 1));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }
}

// The part of an event between start and end (within one measure), as notes of the
// values that add up to it, tied where the event goes on.
void ScoreWriter::writeNote(const Part &part, const Sounding &event, int start, int end,
                            bool wholeBar) {
    const bool rest = event.key < 0;
    if (rest && wholeBar) {
        m_xml.writeStartElement(QStringLiteral("note"));
        m_xml.writeEmptyElement(QStringLiteral("rest"));
        m_xml.writeAttribute(QStringLiteral("measure"), QStringLiteral("yes"));
        m_xml.writeTextElement(QStringLiteral("duration"), QString::number(end - start));
        m_xml.writeTextElement(QStringLiteral("voice"), QStringLiteral("1"));
        m_xml.writeEndElement();
        return;
    }
    for (int at = start; at < end;) {
        const auto value = std::find_if(m_values.begin(), m_values.end(),
                                        [&](const NoteValue &v) { return v.ticks <= end - at; });
        const int ticks = value != m_values.end() ? value->ticks : end - at;
        const bool tiedFrom = !rest && at > event.onset;
        const bool tiedOn = !rest && at + ticks < event.onset + event.length;
        m_xml.writeStartElement(QStringLiteral("note"));
        if (rest) {
            m_xml.writeEmptyElement(QStringLiteral("rest"));
        } else {
            writePitch(part, event.key);
        }
        m_xml.writeTextElement(QStringLiteral("duration"), QString::number(ticks));
        for (const auto &[tied, type] : {std::pair{tiedFrom, "stop"}, std::pair{tiedOn, "start"}}) {
            if (tied) {
                m_xml.writeEmptyElement(QStringLiteral("tie"));
                m_xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
            }
        }
        if (!rest && part.track == kDrumTrack) {
            m_xml.writeEmptyElement(QStringLiteral("instrument"));
            m_xml.writeAttribute(QStringLiteral("id"), instrumentId(part, event.key));
        }
        m_xml.writeTextElement(QStringLiteral("voice"), QStringLiteral("1"));
        if (value != m_values.end()) {
            m_xml.writeTextElement(QStringLiteral("type"), QLatin1String(value->type));
            for (int d = 0; d < value->dots; ++d) {
                m_xml.writeEmptyElement(QStringLiteral("dot"));
            }
        }
        if (!rest && part.track != kDrumTrack) {
            const StaffPitch pitch = spellPitch(event.key + part.written, m_song);
            const std::pair<int, int> place{pitch.octave, pitch.step};
            const auto changed = m_measureAlters.find(place);
            const int stepIndex = static_cast<int>(
                std::find(kSteps.begin(), kSteps.end(), pitch.step) - kSteps.begin());
            const int inForce = changed != m_measureAlters.end()
                                    ? changed->second
                                    : m_keyAlters[static_cast<std::size_t>(stepIndex)];
            // A note tied over keeps its accidental unsaid, and the measure's own stays.
            if (!tiedFrom && pitch.alter != inForce) {
                static constexpr std::array<const char *, 5> kAccidentals = {
                    "flat-flat", "flat", "natural", "sharp", "double-sharp"};
                m_xml.writeTextElement(
                    QStringLiteral("accidental"),
                    QLatin1String(kAccidentals[static_cast<std::size_t>(pitch.alter + 2)]));
                m_measureAlters[place] = pitch.alter;
            }
        } else if (!rest) {
            if (const DrumPlace *place = drumPlace(event.key); place != nullptr && place->cross) {
                m_xml.writeTextElement(QStringLiteral("notehead"), QStringLiteral("x"));
            }
        }
        if (tiedFrom || tiedOn) {
            m_xml.writeStartElement(QStringLiteral("notations"));
            for (const auto &[tied, type] :
                 {std::pair{tiedFrom, "stop"}, std::pair{tiedOn, "start"}}) {
                if (tied) {
                    m_xml.writeEmptyElement(QStringLiteral("tied"));
                    m_xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
                }
            }
            m_xml.writeEndElement();
        }
        if (!tiedFrom) {
            writeLyrics(part, event);
        }
        m_xml.writeEndElement(); // note
        at += ticks;
    }
}

void ScoreWriter::writePitch(const Part &part, int key) {
    if (part.track == kDrumTrack) {
        StaffPitch shown = spellPitch(key, SongInfo{});
        if (const DrumPlace *place = drumPlace(key)) {
            shown = {place->step, 0, place->octave};
        }
        m_xml.writeStartElement(QStringLiteral("unpitched"));
        m_xml.writeTextElement(QStringLiteral("display-step"), QString(QLatin1Char(shown.step)));
        m_xml.writeTextElement(QStringLiteral("display-octave"), QString::number(shown.octave));
        m_xml.writeEndElement();
        return;
    }
    const StaffPitch pitch = spellPitch(key + part.written, m_song);
    m_xml.writeStartElement(QStringLiteral("pitch"));
    m_xml.writeTextElement(QStringLiteral("step"), QString(QLatin1Char(pitch.step)));
    if (pitch.alter != 0) {
        m_xml.writeTextElement(QStringLiteral("alter"), QString::number(pitch.alter));
    }
    m_xml.writeTextElement(QStringLiteral("octave"), QString::number(pitch.octave));
    m_xml.writeEndElement();
}

} // namespace detail

SongInfo songInfoOf(const score::SongProperties &properties, const QString &fallbackTitle) {
    const auto text = [](const std::string &utf8) { return QString::fromStdString(utf8); };
    SongInfo song;
    song.fifths = properties.key.value_or(score::Key{}).signatureAccidentals();
    const score::SongTime time = properties.time.value_or(score::SongTime{});
    song.beats = time.beats;
    song.beatUnit = time.unit;
    song.beatNote = static_cast<int>(properties.beat.value_or(score::BeatNote::Quarter));
    song.pickupTicks = properties.pickupTicks;
    song.title = properties.title.empty() ? fallbackTitle : text(properties.title);
    song.subtitle = text(properties.subtitle);
    song.composer = text(properties.composer);
    song.lyricist = text(properties.lyricist);
    for (const std::string &name : properties.partNames) {
        song.partNames.push_back(text(name));
    }
    song.words = properties.words;
    return song;
}

QByteArray writeMusicXml(const std::vector<std::string> &lines, int division,
                         const SongInfo &song) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    detail::ScoreWriter(xml, song, division).write(lines);
    return bytes;
}

std::string exportMusicXml(const std::vector<std::string> &lines, int division,
                           const SongInfo &song, const std::string &path) {
    const QByteArray bytes = writeMusicXml(lines, division, song);
    const score::FileWriteResult written =
        score::replaceFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
    if (written.ok()) {
        return {};
    }
    midi::ExportResult failure;
    failure.failure = midi::ExportFailure::WriteError;
    failure.systemError = written.error;
    return midi::failureDetail(failure, {}, path);
}

} // namespace tunelet::musicxml
