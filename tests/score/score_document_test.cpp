// Tests of the ScoreDocument: line access, the saved flag, loading and saving.
#include "score/score_document.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "score/file_access.h"
#include "temp_dir.h"

namespace tunelet::score {
namespace {

TEST(ScoreDocument, StartsEmptyUnnamedAndSaved) {
    ScoreDocument doc;
    EXPECT_EQ(doc.lineCount(), 0u);
    EXPECT_TRUE(doc.fileName().empty());
    EXPECT_TRUE(doc.isSaved());
}

TEST(ScoreDocument, LineAccess) {
    ScoreDocument doc;
    doc.appendLine("a");
    doc.appendLine("b");
    doc.appendLine("c");
    doc.replaceLine(1, "B");
    EXPECT_EQ(doc.lines(), (std::vector<std::string>{"a", "B", "c"}));
    doc.deleteLine(0);
    EXPECT_EQ(doc.lines(), (std::vector<std::string>{"B", "c"}));
    EXPECT_EQ(doc.line(1), "c");
    EXPECT_THROW(doc.line(2), std::out_of_range);
    EXPECT_THROW(doc.replaceLine(2, "x"), std::out_of_range);
    EXPECT_THROW(doc.deleteLine(2), std::out_of_range);
    EXPECT_EQ(doc.lineCount(), 2u);
    doc.clear();
    EXPECT_EQ(doc.lineCount(), 0u);
}

TEST(ScoreDocument, EveryChangeOfTheLinesOrPropertiesClearsTheSavedFlag) {
    const std::vector<std::pair<const char *, void (*)(ScoreDocument &)>> changes = {
        {"append", [](ScoreDocument &d) { d.appendLine("x"); }},
        {"replace", [](ScoreDocument &d) { d.replaceLine(0, "x"); }},
        {"delete", [](ScoreDocument &d) { d.deleteLine(0); }},
        {"clear", [](ScoreDocument &d) { d.clear(); }},
        {"exchange",
         [](ScoreDocument &d) {
             EXPECT_EQ(d.exchangeLines({"2fd/"}), std::vector<std::string>{"1fd/"});
             EXPECT_EQ(d.lines(), std::vector<std::string>{"2fd/"});
             EXPECT_THROW(d.exchangeLines({}), std::invalid_argument);
         }},
        {"key",
         [](ScoreDocument &d) {
             SongProperties p;
             p.key = Key{7};
             d.setProperties(p);
         }},
        {"part name",
         [](ScoreDocument &d) {
             SongProperties p;
             p.partNames = {"笛子"};
             d.setProperties(p);
         }},
    };
    for (const auto &[name, change] : changes) {
        ScoreDocument doc;
        doc.appendLine("1fd/");
        doc.setSaved(true);
        const std::uint64_t before = doc.revision();
        change(doc);
        EXPECT_FALSE(doc.isSaved()) << name;
        EXPECT_GT(doc.revision(), before) << name << ": a new revision";
    }
    ScoreDocument same;
    same.setProperties(SongProperties{});
    EXPECT_EQ(same.revision(), 0u) << "properties as they were are no change";
}

TEST(ScoreDocument, PartNamesAndWordsStayWithTheirTracks) {
    using Words = std::vector<std::vector<std::string>>;
    const struct {
        std::size_t deleted;
        std::vector<std::string> names;
        Words words;
    } cases[] = {{0, {"b", "c"}, {{"二"}, {"三"}}},
                 {1, {"a", "c"}, {{"一"}, {"三"}}},
                 {2, {"a", "b"}, {{"一"}, {"二"}}},
                 {3, {"a", "b", "c"}, {{"一"}, {"二"}, {"三"}}}};
    for (const auto &c : cases) {
        ScoreDocument doc;
        for (const char *line : {"1fd/", "2fd/", "3fd/", "4fd/"}) {
            doc.appendLine(line);
        }
        SongProperties p;
        p.partNames = {"a", "b", "c"};
        p.words = {{"一"}, {"二"}, {"三"}};
        doc.setProperties(p);
        doc.deleteLine(c.deleted);
        EXPECT_EQ(doc.properties().partNames, c.names) << c.deleted;
        EXPECT_EQ(doc.properties().words, c.words) << c.deleted;
    }
}

TEST(ScoreDocument, SaveThenLoadRoundTrips) {
    test::TempDir dir;
    ScoreDocument doc;
    doc.appendLine("1fd/2fd/");
    doc.appendLine("");
    doc.appendLine("\xB8\xE8 0a/");
    doc.setFileName("kept");
    doc.setSaved(false);
    doc.saveTo(dir.file("s.TNL"));
    EXPECT_EQ(test::readBytes(dir.file("s.TNL")), "1fd/2fd/\r\n\r\n\xB8\xE8 0a/\r\n");
    EXPECT_EQ(doc.fileName(), "kept") << "saving leaves naming to the caller";
    EXPECT_FALSE(doc.isSaved());

    ScoreDocument other;
    other.appendLine("old");
    other.setSaved(true);
    other.load(dir.file("s.TNL"));
    EXPECT_EQ(other.lines(), doc.lines());
    EXPECT_TRUE(other.isSaved()) << "load leaves the saved flag to the caller";
    EXPECT_TRUE(other.fileName().empty());
}

TEST(ScoreDocument, FailedLoadOrSaveChangesNothing) {
    test::TempDir dir;
    ScoreDocument doc;
    doc.appendLine("1fd/");
    doc.setFileName("a.TNL");
    EXPECT_THROW(doc.load(dir.file("absent.TNL")), FileError);
    EXPECT_EQ(doc.lines(), std::vector<std::string>{"1fd/"});
    EXPECT_EQ(doc.fileName(), "a.TNL");
    EXPECT_FALSE(doc.isSaved());

    // An existing script survives a save that cannot complete.
    test::writeBytes(dir.file("old.TNL"), "2fd/\r\n");
    std::filesystem::create_directory(dir.file("dir.TNL"));
    EXPECT_THROW(doc.saveTo(dir.file("dir.TNL")), FileError) << "a folder cannot be replaced";
    EXPECT_THROW(doc.saveTo(dir.file("old.TNL/x")), FileError);
    EXPECT_EQ(test::readBytes(dir.file("old.TNL")), "2fd/\r\n");
    EXPECT_EQ(dir.entryCount(), 2u) << "no temporary file is left behind";

    // The window's Open: a pipe without a writer is refused at once instead of freezing it.
    ASSERT_EQ(::mkfifo(dir.file("pipe.TNL").c_str(), 0600), 0);
    EXPECT_EQ(test::outputWithin([&] {
                  try {
                      doc.load(dir.file("pipe.TNL"));
                  } catch (const FileError &e) {
                      return std::to_string(e.error());
                  }
                  return std::string("loaded");
              }),
              std::to_string(kNotRegularFile));
}

} // namespace
} // namespace tunelet::score
