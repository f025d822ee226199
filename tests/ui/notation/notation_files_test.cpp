// Tests of the numbered-notation files: the PDF read back with poppler's tools, the SVG
// read as text.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "notation/words_layout.h"
#include "ui/notation/notation_files.h"
#include "ui/notation/svg_outline_device.h"

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

// The head of the first page names the song; the labels name the parts.
TEST_F(NotationFilesTest, PdfHeadsTheSongAndNamesItsParts) {
    struct Case {
        const char *rule;
        std::function<void(NotationDocument &)> set;
        std::vector<const char *> shown;
        std::vector<const char *> absent;
    };
    const Case cases[] = {
        {"nothing set: 1=C, 4/4, the instrument",
         [](NotationDocument &) {},
         {"song", "1=C", "4/4", "= 120", "1 大钢琴"},
         {"词", "曲"}},
        {"the song's texts",
         [](NotationDocument &d) {
             d.header.title = QStringLiteral("生日快乐");
             d.header.subtitle = QStringLiteral("祝你生日快乐");
             d.header.lyricist = QStringLiteral("佚名");
             d.header.composer = QStringLiteral("希尔");
         },
         {"生日快乐", "祝你生日快乐", "词：佚名", "曲：希尔"},
         {"song"}},
        {"key, metre and part name",
         [](NotationDocument &d) {
             d.score = notation::buildScore({"5ed/1fd/"}, {3, 4, 4, 48}, -1, 7);
             d.score.partNames = {"旋律"};
         },
         {"1=G", "3/4", "1 旋律"},
         {"大钢琴"}},
        {"a beat written as an eighth halves the speed",
         [](NotationDocument &d) {
             d.score = notation::buildScore({"1fc/"}, {2, 4, 8});
         },
         {"2/4", "= 60"},
         {"= 120"}},
        {"the words under the notes, each verse",
         [](NotationDocument &d) {
             notation::setWords(d.score, {{"一闪", "Twin-kle"}});
         },
         {"闪", "Twin", "kle"},
         {}},
    };
    for (const Case &c : cases) {
        NotationDocument document = documentOf({"1fd/2fd/"});
        c.set(document);
        const QString pdf = path("head.pdf");
        ASSERT_EQ(writeNotationPdf(document, pdf), "") << c.rule;
        const QString text = run("pdftotext", {pdf, "-"});
        for (const char *shown : c.shown) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << c.rule << ": " << shown;
        }
        for (const char *absent : c.absent) {
            EXPECT_FALSE(text.contains(QString::fromUtf8(absent))) << c.rule << ": " << absent;
        }
    }
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

// Every page holds music, and ends with its number below all of it: on the first page
// the header takes its share of the room.
TEST_F(NotationFilesTest, EveryPageHoldsMusicAboveItsNumber) {
    const QString pdf = path("long.pdf");
    ASSERT_EQ(writeNotationPdf(documentOf({repeated("1fa/", 400)}), pdf), "");
    const int pages = pageCount(pdf);
    ASSERT_GT(pages, 1);
    for (int p = 1; p <= pages; ++p) {
        const QString page = QString::number(p);
        QStringList lines;
        for (const QString &line :
             run("pdftotext", {"-layout", "-f", page, "-l", page, pdf, "-"}).split('\n')) {
            if (!line.simplified().isEmpty()) {
                lines << line.simplified().remove(' '); // as the words are spaced
            }
        }
        const QString last = lines.isEmpty() ? QString() : lines.takeLast();
        EXPECT_EQ(last, QString("第%1页/共%2页").arg(p).arg(pages));
        EXPECT_GE(lines.join("").count('1'), 40) << "the music of page " << p;
    }
}

// The SVG is as tall as the header and every system with the margins around them: the
// bottom margin is blank.
TEST_F(NotationFilesTest, SvgHoldsTheWholeScoreWithinItsMargins) {
    const QString svg = path("long.svg");
    ASSERT_EQ(writeNotationSvg(documentOf({repeated("1dd/", 40)}), svg), "");
    QSvgRenderer renderer(svg);
    QImage image(renderer.defaultSize(), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const int marginPoints = 42; // 15 mm
    int lowestInk = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        if (std::any_of(row, row + image.width(), [](uchar grey) { return grey < 128; })) {
            lowestInk = y;
        }
    }
    EXPECT_GT(lowestInk, marginPoints);
    EXPECT_LT(lowestInk, image.height() - marginPoints * 2 / 3) << image.height();
}

TEST_F(NotationFilesTest, SvgDrawsTextAsPaths) {
    const QString svg = path("song.svg");
    NotationDocument document = documentOf({"@000/#096/1fd/vfe/2fe/3fc/", "1ea/"});
    document.header.title = QStringLiteral("a<b & \x01c");
    ASSERT_EQ(writeNotationSvg(document, svg), "");
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<path"));
    EXPECT_FALSE(text.contains("<text"));
    EXPECT_TRUE(QSvgRenderer(text).isValid()) << "well-formed, whatever the title holds";
}

// A score repeats a handful of shapes: each outline is written once, so a note adds a few
// dozen bytes, not the kilobytes of its digit's outline.
TEST_F(NotationFilesTest, SvgDefinesEachOutlineOnceAndPlacesItByReference) {
    const int notes[] = {200, 400};
    QByteArray text[2];
    for (int i = 0; i < 2; ++i) {
        const QString svg = path(QString::number(notes[i]) + ".svg");
        ASSERT_EQ(writeNotationSvg(documentOf({repeated("1fd/5fd/", notes[i] / 2)}), svg), "");
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        text[i] = file.readAll();
    }
    EXPECT_LT(text[1].count("<path"), 40) << "a few shapes (digits, labels, bar numbers)";
    EXPECT_GE(text[1].count("<use") - text[0].count("<use"), 200) << "a use for each digit";
    EXPECT_LT((text[1].size() - text[0].size()) / 200, 300) << "bytes a note";
}

// The picture is the painter's drawing: an image of the file, drawn by Qt's own SVG
// renderer, matches the painter drawing on an image directly (colours, outlines, dots, ties,
// beams and the edited part's band alike).
TEST_F(NotationFilesTest, SvgLooksAsThePainterDraws) {
    const QSizeF size(300, 120);
    std::string bytes;
    const auto drawScore = [](QPainter &painter) {
        notation::Score score =
            notation::buildScore({"@040/1fd/#1fe/3fe/5fc/6fb/", "1ed/2eb/"}, {4, 4});
        score.editedPart = 1;
        const NotationPainter draw(13, true);
        const notation::Metrics metrics = draw.metrics(score);
        const notation::Layout layout = notation::layoutSystems(score, metrics, 280);
        painter.fillRect(QRectF(0, 0, 300, 120), Qt::white);
        painter.translate(10, 10);
        draw.drawSystem(painter, score, layout.systems.front(), metrics);
    };
    {
        SvgOutlineDevice svg(size, QStringLiteral("t"), bytes);
        QPainter painter(&svg);
        drawScore(painter);
        ASSERT_TRUE(painter.end());
    }
    QImage fromFile(size.toSize() * 2, QImage::Format_ARGB32);
    QImage drawn(fromFile.size(), QImage::Format_ARGB32);
    {
        QSvgRenderer renderer(QByteArray::fromStdString(bytes));
        ASSERT_TRUE(renderer.isValid());
        QPainter painter(&fromFile);
        renderer.render(&painter);
        QPainter direct(&drawn);
        direct.setRenderHint(QPainter::Antialiasing);
        direct.scale(2, 2);
        drawScore(direct);
    }
    int ink = 0;
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor a = drawn.pixelColor(x, y);
            const QColor b = fromFile.pixelColor(x, y);
            ink += a.lightness() < 128;
            differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue()) >
                         3 * 96;
        }
    }
    EXPECT_GT(ink, 500);
    EXPECT_LT(differing, ink / 20) << "of " << ink << " ink pixels";
}

TEST_F(NotationFilesTest, AFileThatCannotBeWrittenIsNamed) {
    const QString missing = path("no/such/folder/song.pdf");
    EXPECT_EQ(writeNotationPdf(documentOf({"1fd/"}), missing),
              "无法写入文件“" + missing + "”：文件夹不存在");
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace tunelet::ui
