// Window tests: New, Open, Save, Save As, the question before closing, and a file error
// shown by the general error handler with nothing changed.
#include <QFileInfo>

#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;

const QString kScriptFilter = "*.TNL|*.TNL|*.*|*.*";
const QString kOpenFilter = "*.TNL|*.TNL|*.MID|*.MID|*.*|*.*";

// Makes the score unsaved with two tracks.
void addTwoTracks(WindowTest &t, ScriptedPrompt &prompt, LineEditor *ij) {
    prompt.answers = {Answer::Yes, Answer::Yes};
    ij->setText("1fd/");
    t.click("Button1");
    t.click("Button1");
    prompt.shown.clear();
}

struct SaveCase {
    const char *command;
    const char *chosen;
    const char *written;
};

void PrintTo(const SaveCase &c, std::ostream *os) {
    *os << c.command << " " << c.chosen;
}

class SaveNameTest : public WindowTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveNameTest, WritesTheCompletedName) {
    const SaveCase &c = GetParam();
    addTwoTracks(*this, *prompt, ij());
    prompt->files = {path(c.chosen)};
    trigger(c.command);

    EXPECT_EQ(readAll(path(c.written)), "1fd/\r\n1fd/\r\n");
    EXPECT_EQ(QFile::decodeName(QByteArray::fromStdString(window->document().fileName())),
              path(c.written));
    EXPECT_TRUE(saved());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{c.written});
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, kScriptFilter);
}

INSTANTIATE_TEST_SUITE_P(Names, SaveNameTest,
                         ::testing::Values(SaveCase{"S1", "song", "song.TNL"},
                                           SaveCase{"S1", "song.tnl", "song.tnl"},
                                           SaveCase{"S1", "song.MID", "song.MID.TNL"},
                                           SaveCase{"A1", "song", "song"},
                                           SaveCase{"A1", "乐谱 第一.TNL", "乐谱 第一.TNL"}));

TEST_F(WindowTest, TheSaveDialogStartsWithTheNameAsCompleted) {
    trigger("I1");
    prompt->files = {path("song"), std::nullopt};
    trigger("S1");
    trigger("A1");
    ASSERT_EQ(prompt->shown.size(), 2u);
    EXPECT_EQ(prompt->shown[1].lastFileName, path("song.TNL"));
}

TEST_F(WindowTest, SaveOfANamedScoreWritesWithoutADialog) {
    const QString file = openScript({"1fd/"});
    ij()->setText("2fd/");
    prompt->answers = {Answer::Yes};
    click("Button1");
    trigger("S1");
    EXPECT_EQ(readAll(file), "1fd/\r\n2fd/\r\n");
    EXPECT_TRUE(saved());
}

TEST_F(WindowTest, OpenReplacesTheScoreAndClearsTheEditor) {
    ij()->setText("9");
    prompt->answers = {Answer::No}; // the editor's text is an unsaved change
    const QString file = openScript({"1fd/", "", "@002/"});
    EXPECT_EQ(lines(), (Lines{"1fd/", "", "@002/"}));
    EXPECT_EQ(QString::fromStdString(window->document().fileName()), file);
    EXPECT_EQ(ij()->text(), "");
    EXPECT_TRUE(saved());
    EXPECT_EQ(lp()->model()->rowCount(), 3);
}

// What of the song block could not be read is said once the tracks are open.
TEST_F(WindowTest, OpenSaysWhatOfTheSongWasIgnored) {
    const QString file = path("song.TNL");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray("1fd/\r\n\0tunelet-song 1\ntitle=x\nkey=H\ntitle=y\n", 44));
    out.close();
    prompt->files = {file};
    trigger("O1");
    EXPECT_EQ(prompt->shown.back(), (Shown{"notice", "歌曲属性第3行（key）无法读取，已忽略\n"
                                                     "歌曲属性第4行（title）重复出现，已忽略"}));
    EXPECT_EQ(lines(), Lines{"1fd/"});
    EXPECT_EQ(window->document().properties().title, "x");
    EXPECT_TRUE(saved());
}

TEST_F(WindowTest, NewAnsweredNoDiscardsWithoutAskingAgain) {
    addTwoTracks(*this, *prompt, ij());
    prompt->answers = {Answer::No};
    trigger("N2");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"question", "文件已更改，保存吗？"}}));
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(ij()->text(), "");
    EXPECT_TRUE(saved());
    EXPECT_EQ(window->document().fileName(), "");
}

TEST_F(WindowTest, NewOrOpenStopWhenTheSaveDialogIsCancelled) {
    addTwoTracks(*this, *prompt, ij());
    for (const char *command : {"N2", "O1"}) {
        SCOPED_TRACE(command);
        prompt->answers = {Answer::Yes};
        prompt->files = {std::nullopt};
        trigger(command);
        EXPECT_EQ(lines(), (Lines{"1fd/", "1fd/"})) << "the score stays";
        EXPECT_FALSE(saved());
        EXPECT_EQ(ij()->text(), "1fd/");
    }
}

TEST_F(WindowTest, NewAnsweredYesSavesThenClears) {
    addTwoTracks(*this, *prompt, ij());
    prompt->answers = {Answer::Yes};
    prompt->files = {path("kept")};
    trigger("N2");
    EXPECT_EQ(readAll(path("kept.TNL")), "1fd/\r\n1fd/\r\n");
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(window->document().fileName(), "");
}

struct CloseCase {
    const char *name;
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> files;
    bool closes;
};

void PrintTo(const CloseCase &c, std::ostream *os) {
    *os << c.name;
}

class CloseQueryTest : public WindowTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseQueryTest, DecidesByTheAnswer) {
    const CloseCase &c = GetParam();
    addTwoTracks(*this, *prompt, ij());
    prompt->answers = c.answers;
    for (const auto &f : c.files) {
        prompt->files.push_back(f ? std::optional<QString>(path(*f)) : std::nullopt);
    }
    trigger("X1");
    EXPECT_EQ(window->isVisible(), !c.closes);
    EXPECT_EQ(prompt->shown.front(), (Shown{"question3", "文件未保存，是否保存？"}));
    EXPECT_EQ(lines().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    X1, CloseQueryTest,
    ::testing::Values(CloseCase{"Cancel", {Answer::Cancel}, {}, false},
                      CloseCase{"No", {Answer::No}, {}, true},
                      CloseCase{"YesSaved", {Answer::Yes}, {"s"}, true},
                      CloseCase{"YesDialogCancelled", {Answer::Yes}, {std::nullopt}, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(WindowTest, CloseWithNothingUnsavedAsksNothing) {
    openScript({"1fd/"});
    trigger("X1");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(WindowTest, AFailingSaveOnCloseShowsTheErrorAndStaysOpen) {
    addTwoTracks(*this, *prompt, ij());
    prompt->answers = {Answer::Yes};
    const QString bad = path("missing/folder/s.TNL");
    prompt->files = {bad};
    window->close();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(prompt->shown.size(), 3u);
    EXPECT_EQ(prompt->shown[2], (Shown{"error", "Cannot create file " + bad + "\n文件夹不存在."}));
    EXPECT_FALSE(saved());
    EXPECT_EQ(window->document().fileName(), "");

    prompt->answers = {Answer::No}; // and it can still be closed afterwards
    window->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, AFileThatCannotBeOpenedIsShownByTheErrorHandlerAndChangesNothing) {
    const QString file = openScript({"1fd/", "2fd/"});
    select(1);
    const QString missing = path("nothing.TNL");
    prompt->files = {missing};
    click("ToolButton2"); // a real click, so the error leaves a user command

    EXPECT_EQ(prompt->shown,
              (std::vector<Shown>{{"open", kOpenFilter, file},
                                  {"error", "Cannot open file " + missing + "\n文件不存在."}}));
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/"}));
    EXPECT_EQ(QString::fromStdString(window->document().fileName()), file);
    EXPECT_TRUE(saved());
}

TEST_F(WindowTest, AFileNamedOnTheCommandLineOpensAsOpenDoes) {
    const QString file = openScript({"1fd/", "2fd/"}, "named.TNL");
    trigger("N2");
    window->openScoreFile(file);
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/"}));
    EXPECT_EQ(QString::fromStdString(window->document().fileName()), file);
    EXPECT_TRUE(saved());

    window->openScoreFile(path("missing.TNL"));
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].kind, "error");
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/"})) << "a failed open changes nothing";
}

} // namespace
} // namespace tunelet::ui::testing
