// The numbered-notation painter: draws the core's laid-out score with QPainter, the same
// on the screen, on paper and in files. It only measures its fonts and draws; where each
// symbol goes is the layout model's.
#pragma once

#include <QFont>
#include <QStaticText>
#include <QString>
#include <array>

#include "notation/system_layout.h"

class QPainter;
class QPointF;

namespace tunelet::ui {

// What the header shows besides the music.
// The song's texts over the first system; the key and the metre come with the score.
struct NotationHeader {
    QString title;
    int division = 48; // the time increment: the speed printed as ♩ = 120 × division ÷ 48
    QString subtitle = {};
    QString composer = {}; // 曲
    QString lyricist = {}; // 词
    // What the score is built with: the key's tonic and the parts' names.
    int tonic = 0;
    std::vector<std::string> partNames = {};
    std::vector<std::vector<std::string>> words = {}; // by part, then verse
};

// The text of a part's label: its number, and the part's name or, when it has none, the
// instrument at its start from the instrument chooser's list (line 10 is the drums).
QString partLabel(const notation::Score &score, std::size_t part);
// The same with the instrument in force (-1 before any: the first of the list).
QString partLabel(const notation::Score &score, std::size_t part, int program);
// The same with the part's name (empty: none).
QString partLabel(std::size_t part, int program, const std::string &name);
// The small text of a note's marks: instrument names and 力度NN.
QString marksText(const std::vector<notation::Mark> &marks);

class NotationPainter {
public:
    // size: the digits' height in the painter's units (pixels or points). Text as paths
    // draws every letter as outlines (SVG files look the same everywhere).
    explicit NotationPainter(double size, bool textAsPaths = false);

    // The sizes the layout needs, with the label column as wide as this score's labels.
    notation::Metrics metrics(const notation::Score &score) const;
    // The same from the instruments each part uses (notation::programsUsed) and the parts'
    // names.
    notation::Metrics metrics(const std::vector<std::vector<int>> &programs,
                              const std::vector<std::string> &partNames = {}) const;
    double headerHeight(const NotationHeader &header) const;
    double footerHeight() const;

    void drawHeader(QPainter &painter, const notation::Score &score, const NotationHeader &header,
                    double width) const;
    // One system with its top-left corner at the painter's origin.
    void drawSystem(QPainter &painter, const notation::Score &score, const notation::System &system,
                    const notation::Metrics &metrics) const;
    void drawFooter(QPainter &painter, int page, int pages, double width, double y) const;

    // The font of the digits and of every text: WenQuanYi Micro Hei.
    static QString fontFamily();
    // The baseline of a verse's line in a row (from the system's top).
    double verseBaseline(const notation::Row &row, std::size_t verse,
                         const notation::Metrics &metrics) const;

private:
    void drawText(QPainter &painter, const QPointF &baseline, const QString &text,
                  const QFont &font) const;
    void drawGlyph(QPainter &painter, const notation::Score &score,
                   const notation::PlacedGlyph &placed, const notation::Row &row,
                   const notation::Metrics &metrics, double systemStart) const;
    // Octave dots, the augmentation dot, dashes and the ties.
    void drawDotsAndLines(QPainter &painter, const notation::Glyph &glyph,
                          const notation::PlacedGlyph &placed, const notation::Row &row,
                          const notation::Metrics &metrics, double systemStart) const;
    // An arc over the digits from `from` to `to`, its ends at height y.
    void drawTie(QPainter &painter, double from, double to, double y, double lift) const;
    void drawBeams(QPainter &painter, const notation::Score &score, const notation::System &system,
                   const notation::Metrics &metrics) const;
    void drawBarLines(QPainter &painter, const notation::Score &score,
                      const notation::System &system) const;
    void drawLabels(QPainter &painter, const notation::Score &score,
                    const notation::System &system) const;
    // The words under the digits, with their hyphens and melisma lines
    // (notation_painter_words.cpp).
    void drawWords(QPainter &painter, const notation::Score &score, const notation::System &system,
                   const notation::Metrics &metrics) const;
    void drawSharp(QPainter &painter, const QPointF &bottomRight) const;
    void drawFlat(QPainter &painter, const QPointF &bottomRight) const;
    // ♩ = N with its left end at x.
    void drawSpeed(QPainter &painter, double x, double y, const QString &speed) const;
    double digitLeft(double cellLeft, const notation::Metrics &metrics) const;

    double m_size;
    bool m_textAsPaths;
    QFont m_digitFont;
    QFont m_smallFont;
    QFont m_labelFont;
    QFont m_titleFont;
    QFont m_wordsFont;
    double m_digitAdvance;
    double m_digitHeight;
    double m_digitAscent;
    std::array<QStaticText, 8> m_digits; // 0 to 7
};

} // namespace tunelet::ui
