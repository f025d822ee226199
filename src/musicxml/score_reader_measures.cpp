// MusicXML import: a part's measures, the notes timed by the part's position (chords,
// backup, forward), ties joined, attributes, directions, sounds and lyrics.
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "musicxml/musicxml_texts.h"
#include "musicxml/score_reader.h"
#include "score/lyrics.h"

namespace tunelet::musicxml::detail {

std::optional<std::int64_t> ScoreReader::duration(const PartState &state) {
    const QString value = text();
    if (state.divisions <= 0) {
        fail(texts::kNoDivisions);
        return std::nullopt;
    }
    bool ok = false;
    const double given = value.toDouble(&ok);
    if (!ok || !(given > 0)) {
        return 0;
    }
    const double exact = std::min(given * double(kQuarter) / state.divisions, double(kMaxTime));
    const auto rounded = static_cast<std::int64_t>(std::llround(exact));
    if (double(rounded) != exact) {
        ++m_report.roundedNotes;
    }
    return rounded;
}

bool ScoreReader::part() {
    const QString id = m_xml.attributes().value(QLatin1String("id")).toString();
    auto info =
        std::find_if(m_parts.begin(), m_parts.end(), [&](const PartInfo &p) { return p.id == id; });
    if (info == m_parts.end()) { // a part the list forgot: read all the same
        m_parts.emplace_back().id = id;
        info = m_parts.end() - 1;
    }
    const std::size_t index = std::size_t(info - m_parts.begin());
    PartState state;
    for (const Instrument &instrument : info->instruments) {
        state.programs[instrument.id] = instrument.program;
    }
    bool first = true;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != u"measure") {
            m_xml.skipCurrentElement();
            continue;
        }
        if (!measure(index, state, first)) {
            return false;
        }
        first = false;
    }
    return true;
}

bool ScoreReader::measure(std::size_t index, PartState &state, bool first) {
    const std::int64_t start = state.measureEnd;
    std::int64_t position = start;
    std::int64_t end = start;  // the furthest any voice reaches
    std::int64_t last = start; // the onset of the last note, for the notes of its chord
    const bool firstPart = index == 0;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"note") {
            if (!note(index, state, position, last, end)) {
                return false;
            }
        } else if (name == u"backup" || name == u"forward") {
            const bool back = name == u"backup";
            std::int64_t moved = 0;
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == u"duration") {
                    const auto ticks = duration(state);
                    if (!ticks) {
                        return false;
                    }
                    moved = *ticks;
                } else {
                    m_xml.skipCurrentElement();
                }
            }
            position = back ? std::max(start, position - moved) : position + moved;
            end = std::max(end, position);
        } else if (name == u"attributes") {
            attributes(state, firstPart, position);
        } else if (name == u"direction") {
            direction(state, position);
        } else if (name == u"sound") {
            sound(state, position);
        } else if (name == u"barline") {
            while (m_xml.readNextStartElement()) {
                m_report.repeats += m_xml.name() == u"repeat" || m_xml.name() == u"ending";
                m_xml.skipCurrentElement();
            }
        } else if (name == u"harmony" || name == u"figured-bass") {
            ++m_report.markings;
            m_xml.skipCurrentElement();
        } else {
            m_xml.skipCurrentElement();
        }
        if (m_xml.hasError()) {
            return false;
        }
    }
    state.measureEnd = std::min(end, kMaxTime);
    if (first && firstPart) {
        m_firstMeasure = end - start;
    }
    return true;
}

void ScoreReader::attributes(PartState &state, bool firstPart, std::int64_t) {
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"divisions") {
            const int divisions = text().toInt();
            if (divisions > 0) {
                state.divisions = divisions;
            }
        } else if (name == u"key" || name == u"time") {
            const bool key = name == u"key";
            QString beats, unit, fifths;
            bool other = false; // a key of other steps, a metre without beats
            while (m_xml.readNextStartElement()) {
                const auto field = m_xml.name();
                if (field == u"fifths") {
                    fifths = text();
                } else if (field == u"beats") {
                    beats += (beats.isEmpty() ? "" : "+") + text();
                } else if (field == u"beat-type") {
                    unit += (unit.isEmpty() ? "" : "+") + text();
                } else {
                    other = other || field == u"key-step" || field == u"senza-misura";
                    m_xml.skipCurrentElement();
                }
            }
            if (!firstPart) {
                continue;
            }
            if (key) {
                bool ok = false;
                const int value = fifths.toInt(&ok);
                if (ok && value >= -7 && value <= 7 && !other) {
                    // Each change counts, a return to the first key too.
                    m_report.keySignatures += m_lastFifths && *m_lastFifths != value;
                    m_fifths = m_fifths.value_or(value);
                    m_lastFifths = value;
                } else {
                    ++m_report.markings;
                }
            } else {
                const QString metre = other ? QString() : beats + "/" + unit;
                m_report.timeSignatures += m_lastTime && *m_lastTime != metre;
                m_time = m_time.value_or(metre);
                m_lastTime = metre;
            }
        } else if (name == u"transpose") {
            int chromatic = 0, octaves = 0;
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == u"chromatic") {
                    chromatic = std::clamp(text().toInt(), -127, 127);
                } else if (m_xml.name() == u"octave-change") {
                    octaves = std::clamp(text().toInt(), -10, 10);
                } else {
                    m_xml.skipCurrentElement();
                }
            }
            state.transpose = chromatic + 12 * octaves;
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

// A note, a rest or a note of a chord: read, then placed in the part.
bool ScoreReader::note(std::size_t index, PartState &state, std::int64_t &position,
                       std::int64_t &last, std::int64_t &end) {
    ReadNote read;
    if (!readNote(state, read)) {
        return false;
    }
    placeNote(index, state, read, position, last, end);
    return true;
}

// The note's elements as the file gives them.
bool ScoreReader::readNote(const PartState &state, ReadNote &read) {
    if (const auto dynamics = m_xml.attributes().value(QLatin1String("dynamics"));
        !dynamics.isEmpty()) {
        bool ok = false;
        const double value = dynamics.toDouble(&ok);
        read.dynamics = ok ? std::optional<double>(value) : std::nullopt;
    }
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"grace") {
            read.grace = true;
            m_xml.skipCurrentElement();
        } else if (name == u"cue") {
            read.cue = true;
            m_xml.skipCurrentElement();
        } else if (name == u"chord") {
            read.chord = true;
            m_xml.skipCurrentElement();
        } else if (name == u"rest") {
            read.rest = true;
            m_xml.skipCurrentElement();
        } else if (name == u"pitch" || name == u"unpitched") {
            read.pitched = name == u"pitch";
            read.unpitched = !read.pitched;
            while (m_xml.readNextStartElement()) {
                const auto field = m_xml.name();
                if (field == u"step" || field == u"display-step") {
                    read.step = semitonesOf(text());
                } else if (field == u"alter") {
                    read.alter = text().toDouble();
                } else if (field == u"octave" || field == u"display-octave") {
                    read.octave = std::clamp(text().toInt(), -1, 10);
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        } else if (name == u"duration") {
            const auto ticks = duration(state);
            if (!ticks) {
                return false;
            }
            read.duration = *ticks;
        } else if (name == u"tie") {
            const auto type = m_xml.attributes().value(QLatin1String("type"));
            read.tieStart = read.tieStart || type == u"start";
            read.tieStop = read.tieStop || type == u"stop";
            m_xml.skipCurrentElement();
        } else if (name == u"instrument") {
            read.instrument = m_xml.attributes().value(QLatin1String("id")).toString();
            m_xml.skipCurrentElement();
        } else if (name == u"notations") {
            notations(read);
        } else if (name == u"lyric") {
            lyric(read);
        } else {
            m_xml.skipCurrentElement();
        }
    }
    return true;
}

// Where the note sounds (a chord's further notes where its first does), what key, and
// whether a tie joins it to the note before.
void ScoreReader::placeNote(std::size_t index, PartState &state, ReadNote &read,
                            std::int64_t &position, std::int64_t &last, std::int64_t &end) {
    if (read.grace) {
        ++m_report.graceNotes; // takes no time of its own
        return;
    }
    const std::int64_t onset = read.chord ? last : position;
    if (!read.chord) {
        last = position;
        position = std::min(position + read.duration, kMaxTime);
    }
    const std::int64_t off = std::min(onset + read.duration, kMaxTime);
    end = std::max(end, std::max(position, off));
    if (read.rest) {
        return;
    }
    if (read.cue) {
        ++m_report.cueNotes;
        return;
    }
    const PartInfo &part = m_parts[index];
    const Instrument *instrument = nullptr;
    for (const Instrument &known : part.instruments) {
        if (known.id == read.instrument || (instrument == nullptr && read.instrument.isEmpty())) {
            instrument = &known;
        }
    }
    int key = -1;
    if (read.unpitched) {
        if (instrument == nullptr || instrument->unpitched < 0) {
            ++m_report.unknownDrums;
            return;
        }
        key = instrument->unpitched;
    } else if (read.pitched) {
        key = 12 * (read.octave + 1) + read.step + static_cast<int>(std::lround(read.alter)) +
              state.transpose;
    } else {
        return; // neither pitch nor rest: nothing to play
    }
    if (key < 0 || key > 127) {
        ++m_report.outOfRange;
        return;
    }
    // A tie goes on from a note of the same key that ends where this one starts.
    if (read.tieStop) {
        const auto open = state.openTies.find(key);
        if (open != state.openTies.end() && m_notes[open->second].off == onset) {
            m_notes[open->second].off = off;
            if (!read.tieStart) {
                state.openTies.erase(open);
            }
            return;
        }
    }
    const bool drum = part.drums || read.unpitched;
    ImportNote imported;
    imported.on = onset;
    imported.off = off;
    imported.source = drum ? kDrumChannel : part.source;
    imported.key = key;
    imported.velocity = read.dynamics ? velocityOf(*read.dynamics) : state.velocity;
    const auto program = state.programs.find(instrument ? instrument->id : QString());
    // Drums sound the same whatever the program: the drum line names none.
    imported.program = program != state.programs.end() && !drum ? program->second : -1;
    imported.track = index + 1;
    if (read.tieStart) {
        state.openTies[key] = m_notes.size();
    } else {
        state.openTies.erase(key);
    }
    m_notes.push_back(imported);
    if (!read.chord) {
        m_parts[index].lyrics.push_back(std::move(read.lyrics));
    }
}

// A verse's syllable on the note. Verses are numbered 1..4 (a number beyond or a name
// takes the next verse free); more verses than a part can have are counted as dropped.
void ScoreReader::lyric(ReadNote &read) {
    const QString number = m_xml.attributes().value(QLatin1String("number")).toString();
    auto verse = m_verses.find(number);
    if (verse == m_verses.end()) {
        bool ok = false;
        const int given = number.toInt(&ok);
        std::size_t free = ok && given >= 1 && std::size_t(given) <= score::kMaxVerses
                               ? std::size_t(given - 1)
                               : 0;
        const auto taken = [&](std::size_t v) {
            return std::any_of(m_verses.begin(), m_verses.end(),
                               [&](const auto &known) { return known.second == v; });
        };
        while (taken(free)) {
            ++free;
        }
        verse = m_verses.emplace(number, free).first;
    }
    Lyric lyric;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"text") {
            lyric.text += (lyric.text.isEmpty() ? "" : " ") + text();
        } else if (name == u"syllabic") {
            const QString syllabic = text();
            lyric.goesOn = syllabic == u"begin" || syllabic == u"middle";
        } else if (name == u"extend") {
            const QString type = m_xml.attributes().value(QLatin1String("type")).toString();
            lyric.extend = type.isEmpty() ? QStringLiteral("start") : type;
            m_xml.skipCurrentElement();
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (verse->second >= score::kMaxVerses || (lyric.text.isEmpty() && lyric.extend.isEmpty())) {
        ++m_report.droppedSyllables;
        return;
    }
    read.lyrics[verse->second] = lyric;
}

// Ties and tuplets are the note's time; every other notation is a mark the script has not.
void ScoreReader::notations(ReadNote &) {
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"articulations" || name == u"ornaments" || name == u"technical") {
            while (m_xml.readNextStartElement()) {
                ++m_report.markings;
                m_xml.skipCurrentElement();
            }
        } else {
            m_report.markings += name != u"tied" && name != u"tuplet";
            m_xml.skipCurrentElement();
        }
    }
}

void ScoreReader::direction(PartState &state, std::int64_t at) {
    std::optional<double> metronome; // quarter notes a minute, when the mark says
    bool marked = false;             // a dynamics mark...
    bool sounded = false;            // ...whose loudness <sound> says
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"sound") {
            sounded = sounded || m_xml.attributes().hasAttribute(QLatin1String("dynamics"));
            sound(state, at);
        } else if (name == u"direction-type") {
            while (m_xml.readNextStartElement()) {
                const auto kind = m_xml.name();
                if (kind == u"metronome") {
                    QString unit;
                    int dots = 0;
                    double perMinute = 0;
                    while (m_xml.readNextStartElement()) {
                        const auto field = m_xml.name();
                        if (field == u"beat-unit" && unit.isEmpty()) {
                            unit = text();
                        } else if (field == u"beat-unit-dot") {
                            ++dots;
                            m_xml.skipCurrentElement();
                        } else if (field == u"per-minute") {
                            perMinute = text().toDouble();
                        } else {
                            m_xml.skipCurrentElement();
                        }
                    }
                    static const std::map<QString, double> kQuarters = {
                        {"whole", 4}, {"half", 2}, {"quarter", 1}, {"eighth", 0.5}, {"16th", 0.25}};
                    const auto quarters = kQuarters.find(unit);
                    if (quarters != kQuarters.end() && perMinute > 0) {
                        metronome = perMinute * quarters->second * (dots > 0 ? 1.5 : 1.0);
                        if (!m_beatUnit && dots == 0) {
                            m_beatUnit = unit;
                        }
                    }
                } else {
                    // Dynamics say their value in <sound>; words, wedges, pedals and the
                    // like are marks.
                    marked = marked || kind == u"dynamics";
                    m_report.markings += kind != u"dynamics";
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    // A dynamics mark without its loudness changes nothing the script can play.
    m_report.markings += marked && !sounded;
    if (metronome && std::none_of(m_tempos.begin(), m_tempos.end(),
                                  [&](const auto &tempo) { return tempo.first == at; })) {
        m_tempos.emplace_back(at, *metronome);
    }
}

// Tempo and dynamics for what follows, and an instrument's new program.
void ScoreReader::sound(PartState &state, std::int64_t at) {
    const QXmlStreamAttributes attributes = m_xml.attributes();
    bool ok = false;
    const double tempo = attributes.value(QLatin1String("tempo")).toDouble(&ok);
    if (ok && tempo > 0) {
        // Where a metronome mark gave the time first, the sound says it exactly.
        std::erase_if(m_tempos, [&](const auto &known) { return known.first == at; });
        m_tempos.emplace_back(at, tempo);
    }
    const double dynamics = attributes.value(QLatin1String("dynamics")).toDouble(&ok);
    if (ok && dynamics >= 0) {
        state.velocity = velocityOf(dynamics);
    }
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"midi-instrument") {
            const QString id = m_xml.attributes().value(QLatin1String("id")).toString();
            while (m_xml.readNextStartElement()) {
                const int program = m_xml.name() == u"midi-program" ? text().toInt() : 0;
                if (program >= 1 && program <= 128) {
                    state.programs[id] = program - 1;
                } else if (m_xml.tokenType() == QXmlStreamReader::StartElement) {
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

} // namespace tunelet::musicxml::detail
