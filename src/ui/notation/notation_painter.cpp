// The numbered-notation painter: draws the core's laid-out score with QPainter.
#include "ui/notation/notation_painter.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "score/song_properties.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::ui {

namespace {

constexpr std::size_t kDrumsPart = 9; // line 10 plays on the drum channel
const QColor kInk(Qt::black);
const QColor kEditedInk(0x1f, 0x4e, 0xa8);
const QColor kEditedBand(0xee, 0xf3, 0xfc);

QString instrumentName(int program) {
    if (program >= 0 && program < texts::kInstrumentNames.size()) {
        return texts::kInstrumentNames.at(program);
    }
    return QStringLiteral("@%1").arg(program);
}

QFont sizedFont(double pixels, bool bold = false) {
    QFont font(NotationPainter::fontFamily());
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// A text's outline at the origin. The font's outlines are read once per text and font: a
// score draws the same few digits and labels tens of thousands of times. A score that
// writes ever new texts (bar numbers) starts the collection afresh now and then. Files
// are drawn on the GUI thread only (the window, the command's module), so one collection
// serves them all.
QPainterPath textOutline(const QFont &font, const QString &text) {
    static QHash<QString, QPainterPath> outlines;
    const QString key = font.key() + QChar(0) + text;
    if (const auto found = outlines.constFind(key); found != outlines.cend()) {
        return *found;
    }
    if (outlines.size() >= 4096) {
        outlines.clear();
    }
    QPainterPath path;
    path.addText(QPointF(), font, text);
    outlines.insert(key, path);
    return path;
}

} // namespace

QString partLabel(const notation::Score &score, std::size_t part) {
    return partLabel(score, part, score.tracks[part].firstProgram);
}

QString partLabel(const notation::Score &score, std::size_t part, int program) {
    return partLabel(part, program,
                     part < score.partNames.size() ? score.partNames[part] : std::string());
}

QString partLabel(std::size_t part, int program, const std::string &given) {
    const QString name = !given.empty()       ? QString::fromStdString(given)
                         : part == kDrumsPart ? texts::kDrumsLabel
                                              : instrumentName(std::max(0, program));
    return QStringLiteral("%1 %2").arg(part + 1).arg(name);
}

QString NotationPainter::fontFamily() {
    return QStringLiteral("WenQuanYi Micro Hei");
}

NotationPainter::NotationPainter(double size, bool textAsPaths)
    : m_size(size), m_textAsPaths(textAsPaths), m_digitFont(sizedFont(size)),
      m_smallFont(sizedFont(size * 0.5)), m_labelFont(sizedFont(size * 0.6)),
      m_titleFont(sizedFont(size * 1.3, true)), m_wordsFont(sizedFont(size * 0.8)) {
    const QFontMetricsF digits(m_digitFont);
    m_digitAdvance = digits.horizontalAdvance(QLatin1Char('0'));
    m_digitHeight = digits.tightBoundingRect(QStringLiteral("8")).height();
    m_digitAscent = digits.ascent();
    for (std::size_t d = 0; d < m_digits.size(); ++d) {
        m_digits[d].setText(QString::number(d));
        m_digits[d].setTextFormat(Qt::PlainText);
        m_digits[d].setPerformanceHint(QStaticText::AggressiveCaching);
        m_digits[d].prepare(QTransform(), m_digitFont);
    }
}

notation::Metrics NotationPainter::metrics(const notation::Score &score) const {
    std::vector<std::vector<int>> programs;
    for (const notation::Track &track : score.tracks) {
        programs.push_back(notation::programsUsed(track));
    }
    return metrics(programs, score.partNames);
}

notation::Metrics NotationPainter::metrics(const std::vector<std::vector<int>> &programs,
                                           const std::vector<std::string> &partNames) const {
    const QFontMetricsF label(m_labelFont);
    const QFontMetricsF small(m_smallFont);
    // The label column is as wide as the widest label any system shows.
    double labelWidth = 0;
    for (std::size_t part = 0; part < programs.size(); ++part) {
        const std::string name = part < partNames.size() ? partNames[part] : "";
        for (const int program : programs[part]) {
            labelWidth =
                std::max(labelWidth, label.horizontalAdvance(partLabel(part, program, name)));
        }
    }
    notation::Metrics m;
    m.markWidth = [small](const std::vector<notation::Mark> &marks) {
        return small.horizontalAdvance(marksText(marks));
    };
    m.cell = m_digitAdvance * 1.9;
    m.shortCell = m_digitAdvance * 1.5;
    m.dotRoom = m_size * 0.3;
    m.barPad = m_size * 0.4;
    m.label = labelWidth + m_size * 0.8;
    m.barNumber = small.height();
    m.markHeight = small.height();
    m.digitHeight = m_digitHeight + m_size * 0.1;
    m.dotStep = m_size * 0.22;
    m.lineStep = m_size * 0.16;
    m.partGap = m_size * 0.5;
    m.systemGap = m_size * 0.9;
    const QFontMetricsF words(m_wordsFont);
    m.verseHeight = words.height() * 1.2;
    m.syllableGap = m_size * 0.3;
    // A song has few different syllables and a layout asks for each many times: each is
    // measured once (shaping text is the slow part of laying out words).
    auto measured = std::make_shared<std::unordered_map<std::string, double>>();
    m.syllableWidth = [words, measured](const std::string &syllable) {
        if (const auto found = measured->find(syllable); found != measured->end()) {
            return found->second;
        }
        if (measured->size() >= 16384) {
            measured->clear();
        }
        const double width = words.horizontalAdvance(QString::fromStdString(syllable));
        measured->emplace(syllable, width);
        return width;
    };
    return m;
}

// The title, the subtitle when there is one, then the key, the metre and the speed on the
// left beside the lyricist over the composer on the right.
double NotationPainter::headerHeight(const NotationHeader &header) const {
    const double line = QFontMetricsF(m_labelFont).height();
    const int credits = (header.lyricist.isEmpty() ? 0 : 1) + (header.composer.isEmpty() ? 0 : 1);
    return QFontMetricsF(m_titleFont).height() + (header.subtitle.isEmpty() ? 0 : line) +
           std::max(1, credits) * line + m_size * 0.8;
}

double NotationPainter::footerHeight() const {
    return QFontMetricsF(m_smallFont).height() + m_size * 0.5;
}

void NotationPainter::drawText(QPainter &painter, const QPointF &baseline, const QString &text,
                               const QFont &font) const {
    if (m_textAsPaths) {
        painter.fillPath(textOutline(font, text).translated(baseline), painter.pen().color());
    } else {
        painter.setFont(font);
        painter.drawText(baseline, text);
    }
}

void NotationPainter::drawHeader(QPainter &painter, const notation::Score &score,
                                 const NotationHeader &header, double width) const {
    painter.setPen(kInk);
    const QFontMetricsF title(m_titleFont);
    const QFontMetricsF line(m_labelFont);
    drawText(painter, {(width - title.horizontalAdvance(header.title)) / 2, title.ascent()},
             header.title, m_titleFont);
    double y = title.height() + m_size * 0.4 + line.ascent();
    if (!header.subtitle.isEmpty()) {
        drawText(painter, {(width - line.horizontalAdvance(header.subtitle)) / 2, y},
                 header.subtitle, m_labelFont);
        y += line.height();
    }
    const QString key = QString::fromStdString(score::Key{score.tonic}.header()) +
                        QStringLiteral("  ") + QString::fromStdString(score.time.text());
    drawText(painter, {0, y}, key, m_labelFont);
    // The speed in written quarter notes a minute, after the key and the metre.
    drawSpeed(painter, line.horizontalAdvance(key) + m_size * 0.6, y,
              QStringLiteral("= ") + QString::fromStdString(notation::beatsPerMinuteText(
                                         header.division, score.time.beatNote)));
    QStringList credits;
    if (!header.lyricist.isEmpty()) {
        credits << texts::kLyricistCredit.arg(header.lyricist);
    }
    if (!header.composer.isEmpty()) {
        credits << texts::kComposerCredit.arg(header.composer);
    }
    for (int k = 0; k < credits.size(); ++k) {
        drawText(painter, {width - line.horizontalAdvance(credits[k]), y + k * line.height()},
                 credits[k], m_labelFont);
    }
}

// A quarter note (a filled head on a stem), then "= N".
void NotationPainter::drawSpeed(QPainter &painter, double x, double y, const QString &speed) const {
    const double speedX = x + m_size * 0.7;
    drawText(painter, {speedX, y}, speed, m_labelFont);
    const double head = m_size * 0.16;
    const QPointF centre(speedX - m_size * 0.45, y - head);
    painter.save();
    painter.setBrush(kInk);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(
        QRectF(centre.x() - head * 1.2, centre.y() - head * 0.85, head * 2.4, head * 1.7));
    painter.fillRect(
        QRectF(centre.x() + head * 1.05, centre.y() - m_size * 0.7, m_size * 0.06, m_size * 0.7),
        kInk);
    painter.restore();
}

void NotationPainter::drawFooter(QPainter &painter, int page, int pages, double width,
                                 double y) const {
    painter.setPen(kInk);
    const QString text = texts::kPageNumber.arg(page).arg(pages);
    drawText(painter,
             {(width - QFontMetricsF(m_smallFont).horizontalAdvance(text)) / 2,
              y + QFontMetricsF(m_smallFont).ascent()},
             text, m_smallFont);
}

double NotationPainter::digitLeft(double cellLeft, const notation::Metrics &metrics) const {
    return cellLeft + (metrics.shortCell - m_digitAdvance) / 2;
}

QString marksText(const std::vector<notation::Mark> &marks) {
    QStringList parts;
    for (const notation::Mark &mark : marks) {
        parts << (mark.kind == notation::Mark::Kind::Program ? instrumentName(mark.value)
                                                             : texts::kVolumeMark.arg(mark.value));
    }
    return parts.join(QLatin1Char(' '));
}

// A small sharp sign drawn with lines, so no font needs to hold one.
void NotationPainter::drawSharp(QPainter &painter, const QPointF &bottomRight) const {
    const double w = m_size * 0.26;
    const double h = m_size * 0.4;
    const double x = bottomRight.x() - w;
    const double y = bottomRight.y() - h;
    const double stroke = m_size * 0.035;
    painter.fillRect(QRectF(x + w * 0.3, y, stroke, h), kInk);
    painter.fillRect(QRectF(x + w * 0.7 - stroke, y - h * 0.08, stroke, h), kInk);
    painter.fillRect(QRectF(x, y + h * 0.32, w, stroke * 1.6), kInk);
    painter.fillRect(QRectF(x, y + h * 0.62, w, stroke * 1.6), kInk);
}

// A small flat sign: a stem and a bowl at its foot, drawn as one outline.
void NotationPainter::drawFlat(QPainter &painter, const QPointF &bottomRight) const {
    const double w = m_size * 0.2;
    const double h = m_size * 0.5;
    const double x = bottomRight.x() - w;
    const double y = bottomRight.y();
    const double stroke = m_size * 0.035;
    painter.fillRect(QRectF(x, y - h, stroke * 1.2, h), kInk);
    QPainterPath bowl;
    bowl.moveTo(x, y);
    bowl.cubicTo(x + w * 1.3, y - h * 0.3, x + w * 1.1, y - h * 0.6, x, y - h * 0.35);
    QPainterPathStroker pen;
    pen.setWidth(stroke * 1.6);
    painter.fillPath(pen.createStroke(bowl), kInk);
}

void NotationPainter::drawDotsAndLines(QPainter &painter, const notation::Glyph &glyph,
                                       const notation::PlacedGlyph &placed,
                                       const notation::Row &row, const notation::Metrics &metrics,
                                       double systemStart) const {
    const double left = digitLeft(placed.x, metrics);
    const double centre = left + m_digitAdvance / 2;
    const double base = row.baseline;
    const double dot = m_size * 0.075;
    const QColor ink = painter.pen().color();
    // Dots take the pen and brush the system set: the ink, with a hairline edge.
    for (int k = 0; k < std::abs(glyph.octave); ++k) {
        const double y = glyph.octave > 0 ? base - m_digitHeight - metrics.dotStep * (k + 0.6)
                                          : base + metrics.lineStep * (glyph.underlines + 0.4) +
                                                metrics.dotStep * (k + 0.6);
        painter.drawEllipse(QPointF(centre, y), dot, dot);
    }
    if (glyph.dotted) {
        painter.drawEllipse(
            QPointF(left + m_digitAdvance + metrics.dotRoom * 0.5, base - m_digitHeight * 0.35),
            dot, dot);
    }
    for (int k = 0; k < glyph.dashes; ++k) {
        const double x = placed.dashX[static_cast<std::size_t>(k)];
        painter.fillRect(QRectF(x + metrics.cell * 0.2, base - m_digitHeight * 0.55,
                                metrics.cell * 0.6, m_size * 0.07),
                         ink);
    }
    const double top =
        base - m_digitHeight - m_size * 0.12 - std::max(0, glyph.octave) * metrics.dotStep;
    if (glyph.tiedToNext) {
        drawTie(painter, centre + m_size * 0.1, placed.tieEndX + metrics.cell / 2 - m_size * 0.1,
                top, m_size * 0.3);
    }
    if (placed.tieIn) {
        // The second half of a tie broken by the line comes in from the system's start.
        drawTie(painter, systemStart - m_size * 0.4, centre - m_size * 0.1, top + m_size * 0.05,
                m_size * 0.2);
    }
}

void NotationPainter::drawTie(QPainter &painter, double from, double to, double y,
                              double lift) const {
    const double bend = std::min(m_size * 0.2, (to - from) / 2);
    QPainterPath tie(QPointF(from, y));
    tie.cubicTo(from + bend, y - lift, to - bend, y - lift, to, y);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(painter.pen().color(), m_size * 0.05));
    painter.drawPath(tie);
    painter.restore();
}

void NotationPainter::drawGlyph(QPainter &painter, const notation::Score &score,
                                const notation::PlacedGlyph &placed, const notation::Row &row,
                                const notation::Metrics &metrics, double systemStart) const {
    const notation::Glyph &glyph = score.bars[placed.bar].parts[placed.part].glyphs[placed.index];
    const double left = digitLeft(placed.x, metrics);
    const double base = row.baseline;
    if (m_textAsPaths) {
        drawText(painter, {left, base}, QString::number(glyph.degree), m_digitFont);
    } else {
        // The digits' shapes are laid out once; a score has tens of thousands of them.
        painter.setFont(m_digitFont);
        painter.drawStaticText(QPointF(left, base - m_digitAscent),
                               m_digits[static_cast<std::size_t>(glyph.degree)]);
    }
    if (glyph.accidental > 0 && glyph.firstOfEvent) {
        drawSharp(painter, {left - m_size * 0.02, base - m_digitHeight * 0.45});
    } else if (glyph.accidental < 0 && glyph.firstOfEvent) {
        drawFlat(painter, {left - m_size * 0.02, base - m_digitHeight * 0.4});
    }
    drawDotsAndLines(painter, glyph, placed, row, metrics, systemStart);
    if (placed.markLine >= 0) {
        const double line = row.markLines - 1 - placed.markLine;
        drawText(painter,
                 {placed.markX,
                  row.top + line * metrics.markHeight + QFontMetricsF(m_smallFont).ascent()},
                 marksText(notation::shownMarks(score.tracks[placed.part], glyph.event)),
                 m_smallFont);
    }
}

void NotationPainter::drawBeams(QPainter &painter, const notation::Score &score,
                                const notation::System &system,
                                const notation::Metrics &metrics) const {
    // The placed glyphs of one bar and part follow each other, in the bar's order.
    std::size_t i = 0;
    while (i < system.glyphs.size()) {
        const notation::PlacedGlyph &first = system.glyphs[i];
        const notation::PartBar &bar = score.bars[first.bar].parts[first.part];
        const double base = system.rows[first.part].baseline;
        const QColor ink = static_cast<int>(first.part) == score.editedPart ? kEditedInk : kInk;
        for (const notation::Beam &beam : bar.beams) {
            const double x0 = digitLeft(system.glyphs[i + beam.first].x, metrics) - m_size * 0.05;
            const double x1 =
                digitLeft(system.glyphs[i + beam.last].x, metrics) + m_digitAdvance + m_size * 0.05;
            const double y = base + metrics.lineStep * (beam.level - 1) + m_size * 0.08;
            painter.fillRect(QRectF(x0, y, x1 - x0, m_size * 0.055), ink);
        }
        i += bar.glyphs.size();
    }
}

void NotationPainter::drawBarLines(QPainter &painter, const notation::Score &score,
                                   const notation::System &system) const {
    const double thin = m_size * 0.05;
    const notation::Row *first = nullptr;
    const notation::Row *last = nullptr;
    for (const notation::Row &row : system.rows) {
        if (!row.shown) {
            continue;
        }
        first = first ? first : &row;
        last = &row;
        const double top = row.baseline - m_digitHeight * 1.15;
        const double height = m_digitHeight * 1.3;
        for (std::size_t k = 1; k < system.barLines.size(); ++k) {
            painter.fillRect(QRectF(system.barLines[k] - thin, top, thin, height), kInk);
        }
        if (system.last) {
            // The final bar line: a thin line, then a thick one at the very end.
            const double end = system.barLines.back();
            painter.fillRect(QRectF(end - m_size * 0.36, top, thin, height), kInk);
            painter.fillRect(QRectF(end - m_size * 0.2, top, m_size * 0.2, height), kInk);
        }
    }
    if (first != last) {
        // The parts of one system are joined by a line at their start.
        const double top = first->baseline - m_digitHeight * 1.15;
        const double bottom = last->baseline + m_digitHeight * 0.15;
        painter.fillRect(QRectF(system.barLines.front(), top, thin, bottom - top), kInk);
    }
    // The bar number stands over the end of the label column, clear of a tie coming in. A
    // pickup (bar 0) has none, as on paper.
    if (score.bars[system.firstBar].number == 0) {
        return;
    }
    painter.setPen(kInk);
    const QFontMetricsF small(m_smallFont);
    const QString number = QString::number(score.bars[system.firstBar].number);
    drawText(
        painter,
        {system.barLines.front() - m_size * 0.5 - small.horizontalAdvance(number), small.ascent()},
        number, m_smallFont);
}

void NotationPainter::drawLabels(QPainter &painter, const notation::Score &score,
                                 const notation::System &system) const {
    for (std::size_t part = 0; part < system.rows.size(); ++part) {
        if (!system.rows[part].shown) {
            continue;
        }
        const bool edited = static_cast<int>(part) == score.editedPart;
        painter.setPen(edited ? kEditedInk : kInk);
        const double y = system.rows[part].baseline - m_digitHeight * 0.2;
        drawText(painter, {0, y}, partLabel(score, part, system.rows[part].program), m_labelFont);
        if (edited) {
            drawText(painter, {0, y + QFontMetricsF(m_smallFont).height()}, texts::kEditingMark,
                     m_smallFont);
        }
    }
}

void NotationPainter::drawSystem(QPainter &painter, const notation::Score &score,
                                 const notation::System &system,
                                 const notation::Metrics &metrics) const {
    painter.save();
    if (score.editedPart >= 0) {
        // The line being composed stands on a tinted band.
        const notation::Row &row = system.rows[static_cast<std::size_t>(score.editedPart)];
        painter.fillRect(QRectF(0, row.top, system.barLines.back(), row.bottom - row.top),
                         kEditedBand);
    }
    drawLabels(painter, score, system);
    drawBarLines(painter, score, system);
    painter.setPen(QPen(kInk, 0));
    painter.setBrush(kInk);
    for (const notation::PlacedGlyph &placed : system.glyphs) {
        const QColor ink = static_cast<int>(placed.part) == score.editedPart ? kEditedInk : kInk;
        if (painter.pen().color() != ink) {
            painter.setPen(QPen(ink, 0));
            painter.setBrush(ink);
        }
        drawGlyph(painter, score, placed, system.rows[placed.part], metrics,
                  system.barLines.front());
    }
    drawBeams(painter, score, system, metrics);
    drawWords(painter, score, system, metrics);
    painter.restore();
}

} // namespace tunelet::ui
