// Tests of the MusicXML export: the written score read back with QXmlStreamReader.
#include <QXmlStreamReader>
#include <filesystem>

#include <gtest/gtest.h>

#include "musicxml/musicxml_writer.h"
#include "temp_dir.h"

namespace {

using namespace tunelet::musicxml;

// Every element as "path=text" (its trimmed text, empty for none), every attribute as
// "path@name=value", in document order; paths start below score-partwise.
QStringList entries(const QByteArray &bytes) {
    QXmlStreamReader xml(bytes);
    QStringList path;
    QStringList text;
    QStringList out;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path << xml.name().toString();
            text << QString();
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                out << path.mid(1).join('/') + '@' + attribute.name().toString() + '=' +
                           attribute.value().toString();
            }
        } else if (xml.isCharacters()) {
            text.back() += xml.text();
        } else if (xml.isEndElement()) {
            out << path.mid(1).join('/') + '=' + text.takeLast().trimmed();
            path.removeLast();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

// The values at one path (an element's text or "element@attribute").
QStringList values(const QByteArray &bytes, const QString &path) {
    QStringList found;
    for (const QString &entry : entries(bytes)) {
        if (entry.startsWith(path + '=')) {
            found << entry.mid(path.size() + 1);
        }
    }
    return found;
}

// A part's notes in reading order: "C#4 24 eighth", "~C4 48 quarter~" (tied from, on),
// "R 48 quarter", "R 192" (a measure rest), "|" after each measure.
QString notes(const QByteArray &bytes, int part = 0) {
    QXmlStreamReader xml(bytes);
    QStringList out;
    QString note;
    QString tieFrom;
    QString tieOn;
    int parts = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.name().toString();
        if (xml.isStartElement() && name == QLatin1String("part")) {
            ++parts;
        }
        if (parts != part) {
            continue;
        }
        if (xml.isEndElement() && name == QLatin1String("measure")) {
            out << QStringLiteral("|");
        } else if (xml.isStartElement() && name == QLatin1String("note")) {
            note.clear();
            tieFrom.clear();
            tieOn.clear();
        } else if (xml.isEndElement() && name == QLatin1String("note")) {
            out << tieFrom + note + tieOn;
        } else if (xml.isStartElement() && name == QLatin1String("rest")) {
            note = QStringLiteral("R");
        } else if (xml.isStartElement() && name == QLatin1String("tie")) {
            (xml.attributes().value("type") == QLatin1String("stop") ? tieFrom : tieOn) = "~";
        } else if (xml.isStartElement() && name == QLatin1String("dot")) {
            note += '.';
        } else if (xml.isStartElement() &&
                   (name == QLatin1String("duration") || name == QLatin1String("type"))) {
            note += ' ' + xml.readElementText();
        } else if (xml.isStartElement() && name == QLatin1String("step")) {
            note = xml.readElementText();
        } else if (xml.isStartElement() && name == QLatin1String("alter")) {
            const int alter = xml.readElementText().toInt();
            note += QString(std::abs(alter), alter > 0 ? '#' : 'b');
        } else if (xml.isStartElement() && name == QLatin1String("octave")) {
            note += xml.readElementText();
        }
    }
    return out.join(' ');
}

SongInfo inTime(int beats, int unit, int pickup = 0, int beatNote = 4) {
    SongInfo song;
    song.beats = beats;
    song.beatUnit = unit;
    song.pickupTicks = pickup;
    song.beatNote = beatNote;
    return song;
}

TEST(MusicXmlWriter, PitchesAreSpelledByTheKey) {
    struct Case {
        int key;
        int fifths;
        StaffPitch pitch;
    };
    const Case cases[] = {
        {60, 0, {'C', 0, 4}},
        {61, 0, {'C', 1, 4}},
        {70, 0, {'A', 1, 4}},
        {59, 0, {'B', 0, 3}},
        {61, -1, {'D', -1, 4}},
        {70, -1, {'B', -1, 4}},
        {66, 1, {'F', 1, 4}},
        {65, 1, {'F', 0, 4}},
        {65, 6, {'E', 1, 4}},
        {60, 7, {'B', 1, 3}},
        {59, -7, {'C', -1, 4}},
        {127, 0, {'G', 0, 9}},
        // The degrees between the key's own: ♯1 ♭3 ♯4 ♭6 ♭7 on the key's letters.
        {63, 0, {'D', 1, 4}},
        {61, 1, {'C', 1, 4}},
        {63, -1, {'E', -1, 4}},
        {65, 2, {'F', 0, 4}},
        {70, 2, {'B', -1, 4}},
        {71, -3, {'C', -1, 5}},
        {64, -2, {'E', 0, 4}},
        {62, 4, {'D', 0, 4}},
        {67, 6, {'F', 2, 4}},
        {69, -5, {'B', -2, 4}},
        {0, 6, {'B', 1, -2}},
    };
    for (const Case &c : cases) {
        SongInfo song;
        song.fifths = c.fifths;
        EXPECT_EQ(spellPitch(c.key, song), c.pitch) << c.key << " in " << c.fifths;
    }
}

TEST(MusicXmlWriter, ScriptNotesBecomePitchesWithAccidentalsPerMeasure) {
    struct Case {
        const char *line;
        QString notes;
        QStringList accidentals;
        int fifths = 0;
    };
    const Case cases[] = {
        {"1fd/vfd/7ed/1gd/",
         "C4 48 quarter C#4 48 quarter B3 48 quarter C5 48 quarter |",
         {"sharp"}},
        {"vfd/vfd/1fd/zfd/",
         "C#4 48 quarter C#4 48 quarter C4 48 quarter A#4 48 quarter |",
         {"sharp", "natural", "sharp"}},
        {"vfa/vfa/", "C#4 192 whole | C#4 192 whole |", {"sharp", "sharp"}},
        {"vfb/vfb/", "C#4 144 half. C#4 48 quarter~ | ~C#4 96 half R 96 half |", {"sharp"}},
        // Below C0 a staff has no pitch: the part is written an octave up and says so.
        {"1ad/1gd/", "C0 48 quarter C6 48 quarter R 96 half |", {}},
        // 1=♯F: G is ♯1, F𝄪; F♯ after it needs its sharp again. 1=G: F is ♭7.
        {"5fd/xfd/", "F##4 48 quarter F#4 48 quarter R 96 half |", {"double-sharp", "sharp"}, 6},
        {"4fd/xfd/", "F4 48 quarter F#4 48 quarter R 96 half |", {"natural", "sharp"}, 1},
    };
    for (const Case &c : cases) {
        SongInfo song;
        song.fifths = c.fifths;
        const QByteArray xml = writeMusicXml({c.line}, 48, song);
        EXPECT_EQ(notes(xml), c.notes) << c.line;
        EXPECT_EQ(values(xml, "part/measure/note/accidental"), c.accidentals) << c.line;
        EXPECT_EQ(values(xml, "part/measure/attributes/transpose/octave-change"),
                  QStringList(c.notes.startsWith("C0") ? QStringList{"-1"} : QStringList{}))
            << c.line;
    }
}

TEST(MusicXmlWriter, LengthsAreSplitAtBarLinesAndTied) {
    struct Case {
        const char *line;
        SongInfo song;
        QString notes;
    };
    const Case cases[] = {
        {"1fa/", {}, "C4 192 whole |"},
        {"1fb/1fd/", {}, "C4 144 half. C4 48 quarter |"},
        {"1fa/", inTime(3, 4), "C4 144 half.~ | ~C4 48 quarter R 96 half |"},
        {"1fh/1fh/", inTime(6, 8), "C4 72 quarter. C4 72 quarter. |"},
        {"1fc/1fc/", inTime(3, 8),
         "C4 72 quarter.~ | ~C4 24 eighth C4 48 quarter~ | ~C4 48 quarter R 24 eighth |"},
        {"1fg/1ff/", inTime(2, 4), "C4 6 32nd C4 12 16th R 72 quarter. R 6 32nd |"},
        {"0d/1fc/0d/0a/", {}, "R 48 quarter C4 96 half R 48 quarter | R 192 |"},
        {"5ed/1fa/", inTime(4, 4, 48), "G3 48 quarter | C4 192 whole |"},
        {"1fa/1fb/", inTime(12, 8),
         "C4 192 whole C4 96 half~ | ~C4 48 quarter R 192 whole R 48 quarter |"},
        // A script beat written as an eighth note, or as a half note.
        {"1fd/1fd/1fd/1fc/", inTime(6, 8, 0, 8),
         "C4 48 eighth C4 48 eighth C4 48 eighth C4 96 quarter R 48 eighth |"},
        {"1fg/1fa/", inTime(2, 4, 0, 8),
         "C4 6 64th C4 144 quarter.~ ~C4 36 16th.~ ~C4 6 64th~ | ~C4 6 64th R 144 quarter. R 36 "
         "16th. R 6 64th |"},
        {"1fd/1fc/", inTime(2, 2, 0, 2), "C4 48 half C4 48 half~ | ~C4 48 half R 48 half |"},
        {"5ed/1fa/", inTime(4, 4, 192),
         "G3 48 quarter C4 144 half.~ | ~C4 48 quarter R 144 half. |"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(notes(writeMusicXml({c.line}, 48, c.song)), c.notes) << c.line;
    }
}

TEST(MusicXmlWriter, AttributesCarryKeyTimeAndPickup) {
    struct Case {
        SongInfo song;
        QStringList wanted; // entries that must be there
        QStringList unwanted;
    };
    SongInfo inF = inTime(3, 4, 48);
    inF.fifths = -1;
    // A song's properties as the window and the command line hand them over.
    tunelet::score::SongProperties properties;
    properties.key = tunelet::score::parseKey("D");
    properties.time = tunelet::score::SongTime{6, 8};
    properties.pickupTicks = 24;
    const SongInfo inD = songInfoOf(properties, QStringLiteral("file"));
    const Case cases[] = {
        {{},
         {"part/measure/attributes/divisions=48", "part/measure/attributes/key/fifths=0",
          "part/measure/attributes/time/beats=4", "part/measure/attributes/time/beat-type=4",
          "part/measure@number=1", "part/measure/attributes/clef/sign=G"},
         {"part/measure@implicit=yes", "part/measure@number=0"}},
        {inF,
         {"part/measure/attributes/key/fifths=-1", "part/measure/attributes/time/beats=3",
          "part/measure@number=0", "part/measure@implicit=yes", "part/measure@number=1"},
         {}},
        {inD,
         {"part/measure/attributes/key/fifths=2", "part/measure/attributes/time/beats=6",
          "part/measure/attributes/time/beat-type=8", "part/measure@implicit=yes"},
         {}},
    };
    for (const Case &c : cases) {
        const QStringList all = entries(writeMusicXml({"1fd/2fd/3fd/4fd/"}, 48, c.song));
        for (const QString &entry : c.wanted) {
            EXPECT_TRUE(all.contains(entry)) << entry.toStdString();
        }
        for (const QString &entry : c.unwanted) {
            EXPECT_FALSE(all.contains(entry)) << entry.toStdString();
        }
        EXPECT_EQ(all.count("part/measure@implicit=yes"), c.song.pickupTicks > 0 ? 1 : 0);
    }
}

TEST(MusicXmlWriter, PartsFollowTracksWithNamesAndPrograms) {
    SongInfo song;
    song.partNames = {QString(), QString(), QStringLiteral("领唱")};
    const QByteArray xml = writeMusicXml({"@040/1fd/@073/2fd/", "", "5ed/", "#090/"}, 48, song);
    EXPECT_EQ(values(xml, "part-list/score-part@id"), QStringList({"P1", "P3"}));
    EXPECT_EQ(values(xml, "part-list/score-part/part-name"), QStringList({"小提琴", "领唱"}));
    EXPECT_EQ(values(xml, "part-list/score-part/midi-instrument/midi-channel"),
              QStringList({"1", "3"}));
    EXPECT_EQ(values(xml, "part-list/score-part/midi-instrument/midi-program"),
              QStringList({"41", "1"}));
    EXPECT_EQ(values(xml, "part/measure/sound/midi-instrument/midi-program"), QStringList({"74"}))
        << "the change to the flute";
    EXPECT_EQ(notes(xml, 1), "G3 48 quarter R 144 half. |") << "rests to the end";
    EXPECT_EQ(values(xml, "part/measure/attributes/clef/sign"), QStringList({"G", "F"}));

    // A score of tracks without notes still has a part: the last track, resting.
    const QByteArray silent = writeMusicXml({"", "@040/"}, 48, {});
    EXPECT_EQ(values(silent, "part-list/score-part@id"), QStringList({"P2"}));
    EXPECT_EQ(notes(silent), "R 192 |");
}

TEST(MusicXmlWriter, DrumsAreUnpitchedByKey) {
    std::vector<std::string> lines(9);
    lines.push_back("1dd/2dd/xdd/1dd/");
    const QByteArray xml = writeMusicXml(lines, 48, {});
    EXPECT_EQ(values(xml, "part-list/score-part@id"), QStringList({"P10"}));
    EXPECT_EQ(values(xml, "part-list/score-part/score-instrument/instrument-name"),
              QStringList({"Bass Drum 1", "Acoustic Snare", "Closed Hi-Hat"}));
    EXPECT_EQ(values(xml, "part-list/score-part/midi-instrument/midi-unpitched"),
              QStringList({"37", "39", "43"}));
    EXPECT_EQ(values(xml, "part-list/score-part/midi-instrument/midi-channel"),
              QStringList({"10", "10", "10"}));
    EXPECT_EQ(values(xml, "part/measure/note/unpitched/display-step"),
              QStringList({"F", "C", "G", "F"}));
    EXPECT_EQ(values(xml, "part/measure/note/unpitched/display-octave"),
              QStringList({"4", "5", "5", "4"}));
    EXPECT_EQ(values(xml, "part/measure/note/instrument@id"),
              QStringList({"P10-I37", "P10-I39", "P10-I43", "P10-I37"}));
    EXPECT_EQ(values(xml, "part/measure/note/notehead"), QStringList({"x"}));
    EXPECT_EQ(values(xml, "part/measure/attributes/clef/sign"), QStringList({"percussion"}));
    EXPECT_TRUE(values(xml, "part/measure/note/pitch/step").isEmpty());
}

TEST(MusicXmlWriter, VolumesBecomeDynamicsWhereTheyChange) {
    struct Case {
        std::vector<std::string> lines;
        QStringList sounds;
        QString marks;
    };
    const Case cases[] = {
        {{"1fd/"}, {"88.89"}, "mf"},
        {{"#090/1fd/"}, {"100"}, "f"},
        {{"#040/1fd/#050/1fd/#064/1fd/#080/1fd/"},
         {"44.44", "55.56", "71.11", "88.89"},
         "pp p mp mf"},
        {{"#127/1fd/#200/1fd/#105/1fd/"}, {"141.11", "116.67"}, "ff f"},
        {{"#080/1fd/#080/1fd/#100/1fd/"}, {"88.89", "111.11"}, "mf f"},
        {{"1fd/#050/", "1fd/"}, {"88.89", "55.56"}, "mf p"}, // carried to the next track
    };
    for (const Case &c : cases) {
        const QByteArray xml = writeMusicXml(c.lines, 48, {});
        EXPECT_EQ(values(xml, "part/measure/direction/sound@dynamics"), c.sounds)
            << c.lines.front();
        QStringList marks;
        for (const QString &entry : entries(xml)) {
            if (entry.startsWith("part/measure/direction/direction-type/dynamics/")) {
                marks << entry.section('/', 5).chopped(1);
            }
        }
        EXPECT_EQ(marks.join(' '), c.marks) << c.lines.front();
    }
}

// The metronome counts script beats in the note value they are written as; the tempo
// that plays is in quarter notes, and so are the divisions.
TEST(MusicXmlWriter, TempoComesFromTheTimeIncrement) {
    struct Case {
        int division;
        int beatNote;
        QString perMinute;
        QString beatUnit;
        QString tempo;
        QString divisions;
    };
    const Case cases[] = {
        {48, 4, "120", "quarter", "120", "48"}, {96, 4, "240", "quarter", "240", "48"},
        {60, 4, "150", "quarter", "150", "48"}, {49, 4, "122.5", "quarter", "122.5", "48"},
        {48, 8, "120", "eighth", "60", "96"},   {48, 2, "120", "half", "240", "24"},
    };
    for (const Case &c : cases) {
        const QByteArray xml =
            writeMusicXml({"1fd/", "2fd/"}, c.division, inTime(4, 4, 0, c.beatNote));
        const QString metronome = "part/measure/direction/direction-type/metronome/";
        EXPECT_EQ(values(xml, "part/measure/direction/sound@tempo"), QStringList({c.tempo}));
        EXPECT_EQ(values(xml, metronome + "per-minute"), QStringList({c.perMinute}));
        EXPECT_EQ(values(xml, metronome + "beat-unit"), QStringList({c.beatUnit}));
        EXPECT_EQ(values(xml, "part/measure/attributes/divisions"),
                  QStringList({c.divisions, c.divisions}));
    }
}

TEST(MusicXmlWriter, CreditsNameTheSong) {
    SongInfo song;
    song.title = QStringLiteral("茉莉花");
    song.subtitle = QStringLiteral("江苏民歌");
    song.composer = QStringLiteral("佚名");
    const QByteArray xml = writeMusicXml({"1fd/"}, 48, song);
    EXPECT_EQ(values(xml, "credit/credit-type"), QStringList({"title", "subtitle", "composer"}));
    EXPECT_EQ(values(xml, "credit/credit-words"), QStringList({"茉莉花", "江苏民歌", "佚名"}));
    EXPECT_EQ(values(xml, "work/work-title"), QStringList({"茉莉花"}));
    EXPECT_EQ(values(xml, "identification/creator@type"), QStringList({"composer"}));
    EXPECT_EQ(values(xml, "identification/creator"), QStringList({"佚名"}));
    EXPECT_TRUE(values(writeMusicXml({"1fd/"}, 48, {}), "credit/credit-type").isEmpty());
}

// Words: a <lyric> per verse on a note's first piece, with its place in the word and an
// extend where the next notes hold it; rests and skipped notes take none.
TEST(MusicXmlWriter, WordsAreLyricsByVerse) {
    SongInfo song;
    song.words = {{"Twin-kle _ *", "一"}};
    const QByteArray xml = writeMusicXml({"1fd/0d/1fa/1fd/1fd/"}, 48, song);
    const QString lyric = "part/measure/note/lyric";
    EXPECT_EQ(values(xml, lyric + "@number"), QStringList({"1", "2", "1", "1"}));
    EXPECT_EQ(values(xml, lyric + "/syllabic"), QStringList({"begin", "single", "end"}));
    EXPECT_EQ(values(xml, lyric + "/text"), QStringList({"Twin", "一", "kle"}));
    EXPECT_EQ(values(xml, lyric + "/extend@type"), QStringList({"start", "stop"}));
}

TEST(MusicXmlWriter, FileIsReplacedOnlyWhenWritten) {
    tunelet::test::TempDir dir;
    const std::string path = dir.file("song.musicxml");
    EXPECT_EQ(exportMusicXml({"1fd/"}, 48, {}, path), "");
    EXPECT_EQ(values(QByteArray::fromStdString(tunelet::test::readBytes(path)), "part@id"),
              QStringList({"P1"}));
    const std::string missing = dir.file("no/song.musicxml");
    EXPECT_EQ(exportMusicXml({"1fd/"}, 48, {}, missing).substr(0, 18), "无法写入文件");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
