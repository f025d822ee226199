// Window tests: Open brings a MIDI file in as a new, unsaved score after asking, and
// reports what the note script could not keep.
#include <QAbstractButton>
#include <QMessageBox>

#include "export/score_to_midi.h"
#include "ui/support/when_modal.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;

const QString kOpenFilter = "*.TNL|*.TNL|*.MID|*.MID|*.*|*.*";
const QString kAskImport = "这是MIDI文件，要导入为乐谱吗？";
const Lines kSong = {"@005/1fd/2fe/", "#100/0d/3fd/"};

class ImportTest : public WindowTest {
protected:
    // The song exported at division 96 without staccato, under a name without ".MID".
    QString writeMidi(const QString &name = "song.bin") {
        const midi::ExportResult exported = midi::compileScore(kSong, {96, false});
        QFile out(path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(exported.bytes.data(), qint64(exported.bytes.size()));
        return path(name);
    }
};

TEST_F(ImportTest, YesMakesANewUnsavedScoreWithoutANameAndReports) {
    const QString script = openScript({"1fd/"});
    const QString midiFile = writeMidi();
    prompt->files = {midiFile};
    prompt->answers = {Answer::Yes};
    trigger("O1");

    EXPECT_EQ(prompt->shown,
              (std::vector<Shown>{{"open", kOpenFilter, script},
                                  {"question", kAskImport},
                                  {"notice", "MIDI文件已导入为新乐谱（尚未保存）：\n"
                                             "这是Tunelet导出的MIDI文件，已逐个还原为原来的符号"
                                             "（导出时不断奏）\n"
                                             "1个音量符号在MIDI文件中只留下其后音符的力度，"
                                             "原来的位置无从得知：已放在该音符前最近的音符或"
                                             "乐器符号之后（或行首），演奏不变\n"
                                             "时间增量设为96"}}));
    EXPECT_EQ(lines(), kSong);
    EXPECT_FALSE(saved());
    EXPECT_EQ(window->document().fileName(), "");
    EXPECT_EQ(window->timeIncrement(), 96);
    EXPECT_FALSE(window->staccato()) << "the export writes the same file again";

    prompt->shown.clear();
    prompt->files = {std::nullopt};
    trigger("S1");
    EXPECT_EQ(prompt->shown.at(0).kind, "save") << "Save asks for a name";
}

// A song's export comes back with its properties, kept by the score that is saved.
TEST_F(ImportTest, ASongComesBackWithItsProperties) {
    score::SongProperties song;
    song.title = "茉莉花";
    song.time = score::SongTime{2, 4};
    song.partNames = {"", "笛子"};
    QFile out(path("song.MID"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromStdString(midi::compileScore(kSong, {}, song).bytes));
    out.close();
    prompt->files = {path("song.MID")};
    prompt->answers = {Answer::Yes};
    trigger("O1");
    EXPECT_EQ(lines(), kSong);
    EXPECT_EQ(window->document().properties(), song);
    EXPECT_TRUE(prompt->shown.back().text.contains("乐曲属性取自文件：标题、拍号2/4、1个声部名"));

    prompt->files = {path("saved.TNL")};
    trigger("S1");
    score::ScoreDocument reopened;
    reopened.load(path("saved.TNL").toStdString());
    EXPECT_EQ(reopened.properties(), song);
}

// No opens nothing; an unsaved score is asked about first; a damaged file changes nothing.
TEST_F(ImportTest, NoOrADamagedFileLeavesTheScore) {
    const QString script = openScript({"1fd/"});
    QFile damaged(path("cut.mid"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray::fromStdString(midi::compileScore(kSong, {}).bytes).chopped(3));
    damaged.close();
    ij()->setText("2fd/"); // an unsaved change

    const std::vector<std::pair<Answer, Shown>> cases = {
        {Answer::No, {"question", kAskImport}},
        {Answer::Yes,
         {"notice", "文件“" + path("cut.mid") + "”不完整：第2音轨在第73字节处被截断，无法导入"}},
    };
    for (const auto &[answer, last] : cases) {
        prompt->shown.clear();
        prompt->files = {path("cut.mid")};
        prompt->answers = {Answer::No, answer};
        trigger("O1");
        EXPECT_EQ(prompt->shown.front().text, "文件已更改，保存吗？");
        EXPECT_EQ(prompt->shown.back(), last);
        EXPECT_EQ(lines(), Lines{"1fd/"});
        EXPECT_EQ(QString::fromStdString(window->document().fileName()), script);
    }
}

// A MusicXML file is known by its contents, whatever its name, and asked for as MIDI is; No
// opens nothing, Yes imports it with the report's own heading.
TEST_F(ImportTest, MusicXmlIsAskedForAndImported) {
    QFile xml(path("song.txt"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write("<?xml version=\"1.0\"?>\n<!-- a song -->\n<score-partwise><part-list><score-part "
              "id=\"P1\"><part-name>x</part-name></score-part></part-list><part id=\"P1\">"
              "<measure><attributes><divisions>2</divisions></attributes><note><pitch><step>E"
              "</step><octave>4</octave></pitch><duration>8</duration></note></measure></part>"
              "</score-partwise>");
    xml.close();
    const QString script = openScript({"1fd/"});
    const std::vector<std::pair<Answer, Lines>> cases = {{Answer::No, {"1fd/"}},
                                                         {Answer::Yes, {"3fa/"}}};
    for (const auto &[answer, expected] : cases) {
        prompt->shown.clear();
        prompt->files = {path("song.txt")};
        prompt->answers = {answer};
        trigger("O1");
        EXPECT_EQ(prompt->shown.at(1), (Shown{"question", "这是MusicXML文件，要导入为乐谱吗？"}));
        EXPECT_EQ(lines(), expected);
    }
    EXPECT_EQ(prompt->shown.back(),
              (Shown{"notice", "MusicXML文件已导入为新乐谱（尚未保存）：\n时间增量设为48\n"
                               "乐曲属性取自文件：1个声部名\n没有丢弃或改动任何音符"}));
    EXPECT_EQ(window->document().fileName(), "");
}

// The real boxes: the question, answered Yes, then the report with only OK.
TEST_F(ImportTest, RealQuestionAndReport) {
    MainWindow real(std::make_unique<MessageBoxPrompt>("tunelet"),
                    std::make_unique<playback::testing::FakeSequencer>());
    real.show();
    bool asked = false;
    bool reported = false;
    whenModal<QMessageBox>(&asked, [&](QMessageBox *box) {
        EXPECT_EQ(box->text(), kAskImport);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        whenModal<QMessageBox>(&reported, [](QMessageBox *report) {
            EXPECT_TRUE(report->text().startsWith("MIDI文件已导入为新乐谱（尚未保存）：\n"));
            EXPECT_EQ(report->standardButtons(), QMessageBox::Ok);
            report->button(QMessageBox::Ok)->click();
        });
        box->button(QMessageBox::Yes)->click();
    });
    real.openScoreFile(writeMidi("song.MID"));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(reported);
    EXPECT_EQ(real.document().lines(), kSong);
}

} // namespace
} // namespace tunelet::ui::testing
