// Playback tests: pixels of a rendered transport bar.
#include <QImage>

#include "bar_fixture.h"

namespace tunelet::playback::testing {
namespace {

constexpr QRgb kGreen = qRgb(0x00, 0xff, 0x00) & RGB_MASK;
constexpr QRgb kYellow = qRgb(0xff, 0xff, 0x00) & RGB_MASK;
constexpr QRgb kOlive = qRgb(0x80, 0x80, 0x00) & RGB_MASK;

// The bounding box of the pixels of `colour` inside rect.
QRect boxOf(const QImage &image, QRgb colour, const QRect &rect) {
    QRect box;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if ((image.pixel(x, y) & RGB_MASK) == colour) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

QRect buttonArea(int k) {
    return QRect(k * 28 + 1, 1, 27, 20);
}

class PaintTest : public BarTest {
protected:
    QImage shot() { return bar->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(PaintTest, FrameAndSharedBordersAreDrawnAtTheButtonEdges) {
    const QImage image = shot();
    ASSERT_EQ(image.size(), QSize(197, 22));
    for (int k = 0; k <= 7; ++k) {
        const int x = k * 28; // the border pixel shared by buttons k - 1 and k
        EXPECT_EQ(image.pixel(x, 10) & RGB_MASK, 0u) << "x = " << x;
    }
    EXPECT_EQ(image.pixel(14, 0) & RGB_MASK, 0u);
    EXPECT_EQ(image.pixel(14, 21) & RGB_MASK, 0u);
    EXPECT_NE(image.pixel(27, 10) & RGB_MASK, 0u) << "a button is 29 pixels wide, not 28";
}

TEST_F(PaintTest, PlayTurnsGreenAfterOpenAndPauseYellowWhilePlaying) {
    QImage image = shot();
    EXPECT_TRUE(boxOf(image, kGreen, buttonArea(btPlay)).isEmpty());
    openFile();
    image = shot();
    EXPECT_FALSE(boxOf(image, kGreen, buttonArea(btPlay)).isEmpty());
    EXPECT_TRUE(boxOf(image, kYellow, buttonArea(btPause)).isEmpty());
    clickAt(centre(btPlay));
    image = shot();
    EXPECT_TRUE(boxOf(image, kGreen, buttonArea(btPlay)).isEmpty());
    EXPECT_FALSE(boxOf(image, kYellow, buttonArea(btPause)).isEmpty());
}

TEST_F(PaintTest, GlyphIsCentredAndShiftsWhilePressedWithOliveTransparent) {
    openFile();
    QImage glyph(":/glyphs/CL_MPPLAY.xpm");
    glyph = glyph.convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(glyph.isNull());
    const QRect inGlyph = boxOf(glyph, kGreen, glyph.rect());
    const QPoint origin((29 - glyph.width()) / 2, (22 - glyph.height()) / 2);

    QImage image = shot();
    EXPECT_EQ(boxOf(image, kGreen, buttonArea(btPlay)), inGlyph.translated(origin));
    EXPECT_TRUE(boxOf(image, kOlive, image.rect()).isEmpty());

    press(centre(btPlay));
    image = shot();
    EXPECT_EQ(boxOf(image, kGreen, buttonArea(btPlay)), inGlyph.translated(origin + QPoint(1, 1)));
    release(QPoint(150, 11));
}

TEST(GlyphFilesTest, EveryGlyphHasAVersionOfTwiceItsSize) {
    for (const char *look : {"EN", "DI", "CL"}) {
        for (const char *name : {"MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV", "MPSTEP",
                                 "MPBACK", "MPRECORD", "MPEJECT"}) {
            const QString base = QStringLiteral(":/glyphs/%1_%2").arg(look, name);
            const QImage glyph(base + ".xpm");
            const QImage sharp(base + "@2x.xpm");
            EXPECT_TRUE(!glyph.isNull() && sharp.size() == glyph.size() * 2)
                << base.toStdString() << ": " << sharp.width() << " x " << sharp.height();
        }
    }
}

TEST_F(PaintTest, AtRatioTwoTheSharpGlyphIsDrawnInTheSameLogicalPlace) {
    openFile();
    const QImage glyph(":/glyphs/CL_MPPLAY.xpm");
    const QImage sharp = QImage(":/glyphs/CL_MPPLAY@2x.xpm").convertToFormat(QImage::Format_RGB32);
    ASSERT_NE(sharp, glyph.scaled(glyph.size() * 2).convertToFormat(QImage::Format_RGB32))
        << "the sharp glyph must not be the 1x one blown up, or this test could not tell";

    QImage image(bar->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    bar->render(&image);
    const QPoint origin = QPoint((29 - glyph.width()) / 2, (22 - glyph.height()) / 2) * 2;
    int wrong = 0;
    for (int y = 0; y < sharp.height(); ++y) {
        for (int x = 0; x < sharp.width(); ++x) {
            const QRgb want = sharp.pixel(x, y) & RGB_MASK;
            const QRgb got = image.pixel(origin + QPoint(x, y)) & RGB_MASK;
            wrong += want != kOlive && want != got ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0) << "device pixels of the play button that differ from its 2x glyph";
}

TEST_F(PaintTest, ADisabledBarShowsGreyGlyphs) {
    openFile();
    bar->setEnabled(false);
    EXPECT_TRUE(boxOf(shot(), kGreen, buttonArea(btPlay)).isEmpty());
}

} // namespace
} // namespace tunelet::playback::testing
