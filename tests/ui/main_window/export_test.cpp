// Window tests: the export command, from the track count checks to playing the file.
#include "export/score_to_midi.h"
#include "ui/support/window_fixture.h"
#include <QRegularExpression>
#include <functional>

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;

const QString kMidiFilter = "*.MID|*.MID|*.*|*.*";

Lines tracks(int n) {
    return Lines(static_cast<std::size_t>(n), "1fd/");
}

QByteArray expectedMidi(const Lines &lines, std::uint16_t division, bool staccato) {
    const midi::ExportResult r = midi::compileScore(lines, {division, staccato});
    return QByteArray::fromStdString(r.bytes);
}

struct CountCase {
    int tracks;
    const char *notice; // nullptr: the save dialog is reached
};

void PrintTo(const CountCase &c, std::ostream *os) {
    *os << c.tracks << " tracks";
}

class ExportCountTest : public WindowTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ExportCountTest, AllowsOneToSixteenTracks) {
    const CountCase &c = GetParam();
    if (c.tracks > 0) {
        openScript(tracks(c.tracks));
    }
    if (c.notice == nullptr) {
        prompt->files = {std::nullopt};
    }
    trigger("MIDI1");
    ASSERT_EQ(prompt->shown.size(), 1u);
    if (c.notice) {
        EXPECT_EQ(prompt->shown[0], (Shown{"notice", QString::fromUtf8(c.notice)}));
    } else {
        EXPECT_EQ(prompt->shown[0].kind, "save");
        EXPECT_EQ(prompt->shown[0].text, kMidiFilter);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), c.tracks > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(MIDI1, ExportCountTest,
                         ::testing::Values(CountCase{0, "当前没有任何音轨存在！"},
                                           CountCase{1, nullptr}, CountCase{16, nullptr},
                                           CountCase{17, "不允许有超过16个的音轨存在！"}));

struct NameCase {
    const char *chosen;
    const char *written;
};

void PrintTo(const NameCase &c, std::ostream *os) {
    *os << c.chosen;
}

class ExportNameTest : public WindowTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExportNameTest, CompletesMidWithoutRegardToCaseAndRemembersTheName) {
    const NameCase &c = GetParam();
    openScript({"1fd/", "0d/"});
    prompt->files = {path(c.chosen)};
    prompt->answers = {Answer::No};
    trigger("MIDI1");
    EXPECT_EQ(readAll(path(c.written)), expectedMidi({"1fd/", "0d/"}, 48, true));
    EXPECT_EQ(prompt->shown.back(), (Shown{"question", "成功生成MIDI文件。要播放吗？"}));

    // The shared save dialog starts with the completed name next time.
    prompt->files = {std::nullopt};
    trigger("MIDI1");
    EXPECT_EQ(prompt->shown.back(), (Shown{"save", kMidiFilter, path(c.written)}));
}

INSTANTIATE_TEST_SUITE_P(MIDI1, ExportNameTest,
                         ::testing::Values(NameCase{"song", "song.MID"},
                                           NameCase{"song.mid", "song.mid"},
                                           NameCase{"song.midi", "song.midi.MID"}));

TEST_F(WindowTest, ExportUsesTheTimeIncrementAndStaccatoButNotTheEditor) {
    openScript({"1fd/2fd/"});
    ij()->setText("3fd/"); // typed but not submitted
    window->setTimeIncrement(96);
    trigger("dz"); // staccato off
    EXPECT_FALSE(window->staccato());
    prompt->files = {path("a.MID")};
    prompt->answers = {Answer::No};
    trigger("MIDI1");
    EXPECT_EQ(readAll(path("a.MID")), expectedMidi({"1fd/2fd/"}, 96, false));
    EXPECT_FALSE(saved()) << "the editor's change stays unsaved: the export does not save";
}

TEST_F(WindowTest, ExportFailuresShowTheirNoticeAndWriteNothing) {
    openScript({"1fd/", "1qd/"}); // q is no octave letter
    prompt->files = {path("bad")};
    trigger("MIDI1");
    EXPECT_EQ(prompt->shown.back(),
              (Shown{"notice", "音轨有错误，无法导出为MIDI文件！\n"
                               "第2音轨，第2字节：“q”不是八度字母（应为 a 到 k）"}));

    openScript({"1fd/"});
    window->setTimeIncrement(0);
    prompt->files = {path("bad")};
    trigger("MIDI1");
    EXPECT_EQ(
        prompt->shown.back(),
        (Shown{"notice", "有错误产生，无法导出为MIDI文件！\n"
                         "时间增量不能用作 MIDI 文件的时间单位（不能为0，也不能大于32767）"}));
    EXPECT_FALSE(QFileInfo::exists(path("bad.MID")));
}

// A fault in a track out of sight: the notice says where, and the list shows that track
// without selecting it, so Submit still replaces the track the user chose.
TEST_F(WindowTest, ExportFaultShowsItsPlaceAndScrollsToItsTrack) {
    Lines score = tracks(16);
    score.back() = "1fd/#1\xB2/"; // a Chinese byte among the volume's digits
    openScript(score);
    window->resize(400, 300);
    QCoreApplication::processEvents();
    select(0);
    const QModelIndex last = lp()->model()->index(15, 0);
    const auto visible = [&] {
        return lp()->visualRect(last).intersects(lp()->viewport()->rect());
    };
    ASSERT_FALSE(visible()) << "the window must be too small for 16 tracks";

    prompt->files = {path("bad")};
    trigger("MIDI1");
    EXPECT_EQ(
        prompt->shown.back(),
        (Shown{"notice", "有错误产生，无法导出为MIDI文件！\n"
                         "第16音轨，第6字节：“#”后的“1 0xB2 /”不是整数（应为三位数字，如 #080）"}));
    EXPECT_TRUE(visible());
    EXPECT_EQ(selectedRow(), 0);
}

// The save dialog offers the open script's own name too: the export refuses it, by any
// name, instead of replacing the score with MIDI bytes.
TEST_F(WindowTest, ExportRefusesTheOpenScriptItself) {
    const QString script = openScript({"1fd/"}, "song.mid");
    ASSERT_TRUE(QFile::link(script, path("link.MID")));
    for (const QString &chosen : {script, path("link.MID")}) {
        prompt->files = {chosen};
        trigger("MIDI1");
        EXPECT_EQ(prompt->shown.back(),
                  (Shown{"notice", "有错误产生，无法导出为MIDI文件！\n输出文件“" + chosen +
                                       "”就是脚本文件“" + script + "”，导出会覆盖乐谱"}));
    }
    EXPECT_EQ(readAll(script), "1fd/\r\n");
}

TEST_F(WindowTest, ExportThatCannotWriteSaysWhy) {
    openScript({"1fd/"});
    const QString target = path("absent/song.MID");
    prompt->files = {target};
    trigger("MIDI1");
    EXPECT_EQ(prompt->shown.back(),
              (Shown{"notice", "有错误产生，无法导出为MIDI文件！\n无法写入文件“" + target +
                                   "”：文件夹不存在"}));
}

// MusicXML: the name completed, the script's name as the title, and the same refusals as
// the MIDI export, each with its notice.
TEST_F(WindowTest, MusicXmlExportWritesTheChosenFileOrSaysWhy) {
    struct Case {
        Lines score;
        const char *chosen;
        QString notice; // empty: written, no notice
    };
    const Case cases[] = {
        {{"1fd/"}, "ode", {}},
        {{"1fd/"}, "ode.MusicXML", {}},
        {{"1fd/", "1qd/"},
         "bad",
         "音轨有错误，无法导出为MIDI文件！\n第2音轨，第2字节：“q”不是八度字母（应为 a 到 k）"},
        {{"1fd/"},
         "link.musicxml",
         "有错误产生，无法导出为MusicXML文件！\n输出文件“%1”就是脚本文件“SCRIPT”，导出会覆盖乐谱"},
        {{"1fd/"},
         "absent/ode",
         "有错误产生，无法导出为MusicXML文件！\n无法写入文件“%1.musicxml”：文件夹不存在"},
    };
    ASSERT_TRUE(QFile::link(path("song.TNL"), path("link.musicxml")));
    for (const Case &c : cases) {
        const QString script = openScript(c.score, "song.TNL");
        prompt->shown.clear();
        prompt->files = {path(c.chosen)};
        trigger("XML1");
        ASSERT_FALSE(prompt->shown.empty());
        EXPECT_EQ(prompt->shown[0].kind, "save");
        EXPECT_EQ(prompt->shown[0].text, "MusicXML 文件|*.musicxml|*.*|*.*");
        const QString written =
            path(c.chosen) + (QString(c.chosen).contains('.') ? "" : ".musicxml");
        if (c.notice.isEmpty()) {
            EXPECT_EQ(prompt->shown.size(), 1u) << c.chosen;
            EXPECT_TRUE(readAll(written).contains("<work-title>song</work-title>")) << c.chosen;
        } else {
            EXPECT_EQ(
                prompt->shown.back(),
                (Shown{"notice", QString(c.notice.arg(path(c.chosen))).replace("SCRIPT", script)}));
            EXPECT_EQ(readAll(script),
                      "1fd/\r\n" + QByteArray(c.score.size() > 1 ? "1qd/\r\n" : ""));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path("bad.musicxml")));

    // After a MIDI export the offer is its name as a MusicXML file.
    prompt->files = {path("tune"), std::nullopt};
    prompt->answers = {Answer::No};
    trigger("MIDI1");
    trigger("XML1");
    EXPECT_EQ(prompt->shown.back(),
              (Shown{"save", "MusicXML 文件|*.musicxml|*.*|*.*", path("tune.musicxml")}));
}

TEST_F(WindowTest, ExportClosesPlaybackFirstAndYesPlaysTheNewFile) {
    const QString script = openScript({"1fd/"});
    prompt->files = {path("old.MID")};
    trigger("K1");
    ASSERT_EQ(prompt->shown.back(), (Shown{"open", kMidiFilter, path("score.MID")}));
    device->clearCommands();

    prompt->files = {path("new")};
    prompt->answers = {Answer::Yes};
    trigger("MIDI1");
    EXPECT_EQ(device->commands(), (QStringList{"close", "open " + path("new.MID"), "play"}));
    EXPECT_TRUE(QFileInfo::exists(path("new.MID")));
}

TEST_F(WindowTest, ExportLetsThePlayingFileGoBeforeItIsReplaced) {
    openScript({"1fd/"});
    QFile old(path("song.MID"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    prompt->files = {path("song.MID")};
    trigger("K1");
    QByteArray atClose;
    device->onCommand = [&](const QString &entry) {
        if (entry == "close") {
            atClose = readAll(path("song.MID"));
        }
    };
    prompt->files = {path("song")};
    prompt->answers = {Answer::No};
    trigger("MIDI1");
    EXPECT_EQ(atClose, "old");
    EXPECT_TRUE(readAll(path("song.MID")).startsWith("MThd"));
}

// Under the MIDI filter the shared open dialog never offers the score's own script, which
// accepted would hand a text file to the player.
TEST_F(WindowTest, MediaOpenOffersAMidiNameNeverTheScripts) {
    const struct {
        const char *before;
        std::function<void()> act;
        QString offered;
    } steps[] = {
        {"no score", [] {}, ""},
        {"an opened score: its name as a MIDI file", [&] { openScript({"1fd/"}, "song.TNL"); },
         path("song.MID")},
        {"an export: the file written",
         [&] {
             prompt->files = {path("out")};
             prompt->answers = {Answer::No};
             trigger("MIDI1");
         },
         path("out.MID")},
        {"a file the transport bar opened",
         [&] {
             prompt->files = {path("heard.mid")};
             trigger("K1");
         },
         path("heard.mid")},
    };
    for (const auto &step : steps) {
        step.act();
        prompt->files = {std::nullopt};
        trigger("K1");
        EXPECT_EQ(prompt->shown.back(), (Shown{"open", kMidiFilter, step.offered})) << step.before;
    }
}

// A score opened with song properties keeps them when saved and exports them.
TEST_F(WindowTest, ASongsPropertiesStayWithTheScriptAndGoIntoTheMidiFile) {
    const QByteArray block("tunelet-song 1\ntitle=生日快乐\nkey=G\ntime=3/4\npickup=48\n");
    const QString file = path("song.TNL");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray("5fe/5fe/\r\n") + '\0' + block);
    out.close();
    prompt->files = {file};
    trigger("O1");
    ij()->setText("1ed/");
    prompt->answers = {Answer::Yes}; // appended as a new track
    click("Button1");
    trigger("S1");
    EXPECT_EQ(readAll(file), QByteArray("5fe/5fe/\r\n1ed/\r\n") + '\0' + block);

    prompt->files = {path("song.MID")};
    prompt->answers = {Answer::No};
    trigger("MIDI1");
    score::SongProperties song;
    song.title = "生日快乐";
    song.key = score::Key{7};
    song.time = score::SongTime{3, 4};
    song.pickupTicks = 48;
    EXPECT_EQ(readAll(path("song.MID")),
              QByteArray::fromStdString(
                  midi::compileScore({"5fe/5fe/", "1ed/"}, {48, true}, song).bytes));
}

TEST_F(WindowTest, MediaItemsSendTheirOwnCommand) {
    prompt->files = {path("a.MID")};
    trigger("K1");
    const std::vector<std::pair<const char *, QString>> items = {
        {"P2", "play"}, {"U1", "pause"}, {"O2", "stop"}, {"C1", "close"}};
    for (const auto &[item, command] : items) {
        device->clearCommands();
        trigger(item);
        EXPECT_TRUE(device->commands().contains(command)) << item;
        EXPECT_EQ(device->commands().filter(QRegularExpression("^(play|pause|stop|close)$")),
                  QStringList{command})
            << item;
    }
}

TEST_F(WindowTest, DeviceErrorShowsTheLibrarysLinesAsTheBoxsDetail) {
    device->setCommandError("open", 7);
    device->setErrorText(7, "无法打开音频输出");
    device->setErrorDetail(7, "audio driver: no server");
    prompt->files = {path("a.MID")};
    trigger("K1");
    ASSERT_EQ(prompt->shown.back().kind, "error");
    EXPECT_TRUE(prompt->shown.back().text.startsWith("无法打开音频输出"));
    EXPECT_EQ(prompt->details.back(), "audio driver: no server");
}

TEST_F(WindowTest, MediaCommandsWithoutAnOpenFileShowTheDeviceError) {
    trigger("P2");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"error", "No MCI device open."}}));
    prompt->shown.clear();
    trigger("C1"); // closing with nothing open is harmless
    EXPECT_TRUE(prompt->shown.empty());
}

} // namespace
} // namespace tunelet::ui::testing
