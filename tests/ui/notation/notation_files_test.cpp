// Tests of the numbered-notation files: the PDF read back with poppler's tools, the SVG
// read as text.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/notation/notation_files.h"

namespace tunelet::ui {
namespace {

NotationDocument documentOf(const std::vector<std::string> &lines) {
    return {notation::buildScore(lines, {4, 4}), {QStringLiteral("song"), 48}};
}

QString run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished()) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString &pdf) {
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run("pdfinfo", {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : 0;
}

std::string repeated(const std::string &token, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) {
        line += token;
    }
    return line;
}

class NotationFilesTest : public ::testing::Test {
public:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(NotationFilesTest, PdfHoldsTheMelodyDigitsInOrderInAnEmbeddedFont) {
    const QString pdf = path("twinkle.pdf");
    ASSERT_EQ(writeNotationPdf(
                  documentOf({"1fd/1fd/5fd/5fd/6fd/6fd/5fc/4fd/4fd/3fd/3fd/2fd/2fd/1fc/"}), pdf),
              "");
    QString digits = run("pdftotext", {pdf, "-"});
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    EXPECT_TRUE(digits.contains("11556654433221")) << digits.toStdString();
    const QString fonts = run("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("WenQuanYi.*TrueType.*yes"))))
        << fonts.toStdString();
}

TEST_F(NotationFilesTest, PdfPageCountFollowsTheLength) {
    // P pages hold 400 bars, so k times as many bars need more than k(P-1) pages and at
    // most kP.
    writeNotationPdf(documentOf({repeated("1fa/", 400)}), path("400.pdf"));
    const int p = pageCount(path("400.pdf"));
    ASSERT_GT(p, 1) << "400 bars fill more than a page";
    struct Case {
        int bars;
        int lowest;
        int highest;
    };
    const Case cases[] = {{1, 1, 1}, {800, 2 * (p - 1) + 1, 2 * p}, {1600, 4 * (p - 1) + 1, 4 * p}};
    for (const Case &c : cases) {
        const QString pdf = path(QString::number(c.bars) + ".pdf");
        writeNotationPdf(documentOf({repeated("1fa/", c.bars)}), pdf);
        const int pages = pageCount(pdf);
        EXPECT_TRUE(pages >= c.lowest && pages <= c.highest) << c.bars << " bars: " << pages;
    }
}

TEST_F(NotationFilesTest, SvgDrawsTextAsPaths) {
    const QString svg = path("song.svg");
    ASSERT_EQ(writeNotationSvg(documentOf({"@000/#096/1fd/vfe/2fe/3fc/", "1ea/"}), svg), "");
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<path"));
    EXPECT_FALSE(text.contains("<text"));
}

TEST_F(NotationFilesTest, AFileThatCannotBeWrittenIsNamed) {
    const QString missing = path("no/such/folder/song.pdf");
    EXPECT_EQ(writeNotationPdf(documentOf({"1fd/"}), missing),
              "无法写入文件“" + missing + "”：文件夹不存在");
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace tunelet::ui
