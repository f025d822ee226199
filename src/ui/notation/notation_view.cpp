// The numbered-notation view: the score drawn on a widget as wide as its window.
#include "ui/notation/notation_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tunelet::ui {

namespace {

constexpr double kDigitPixels = 18;
constexpr double kMargin = 14;
const QColor kPassageTint(0xff, 0xec, 0xb3); // pale amber, apart from the blue of a play

} // namespace

NotationView::NotationView(QWidget *parent) : QWidget(parent), m_painter(kDigitPixels) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void NotationView::setScore(notation::Score score, NotationHeader header) {
    m_notation.setScore(std::move(score));
    m_header = std::move(header);
    m_metrics = m_painter.metrics(m_notation.programs(), m_notation.score().partNames);
    relayout();
}

void NotationView::updateScore(const std::vector<std::string> &lines, notation::TimeSignature time,
                               int editedPart, NotationHeader header) {
    m_notation.update(lines, time, editedPart, header.tonic, header.partNames, header.words);
    m_header = std::move(header);
    m_metrics = m_painter.metrics(m_notation.programs(), m_notation.score().partNames);
    relayout();
}

double NotationView::contentWidth() const {
    return std::max(1.0, width() - 2 * kMargin);
}

void NotationView::relayout() {
    m_notation.layOut(m_metrics, contentWidth());
    const int height = heightForWidth(width());
    if (minimumHeight() != height) {
        setMinimumHeight(height);
    }
    update();
}

int NotationView::heightForWidth(int width) const {
    Q_UNUSED(width); // the layout is made for the current width and kept
    return static_cast<int>(
        std::ceil(2 * kMargin + m_painter.headerHeight(m_header) + m_layout.height));
}

QSize NotationView::sizeHint() const {
    return {640, heightForWidth(640)};
}

QPointF NotationView::toView(double x, double y) const {
    return {x + kMargin, y + kMargin + m_painter.headerHeight(m_header)};
}

void NotationView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    relayout();
}

void NotationView::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.translate(kMargin, kMargin);
    m_painter.drawHeader(painter, m_score, m_header, contentWidth());
    const double top = kMargin + m_painter.headerHeight(m_header);
    painter.translate(0, m_painter.headerHeight(m_header));
    // Only the systems that the exposed part of the view shows are drawn.
    const QRect exposed = event->rect();
    for (const notation::System &system : m_layout.systems) {
        if (top + system.top > exposed.bottom() ||
            top + system.top + system.height < exposed.top()) {
            continue;
        }
        painter.save();
        painter.translate(0, system.top);
        m_painter.drawSystem(painter, m_score, system, m_metrics);
        painter.restore();
    }
    painter.restore();
    paintMarks(painter);
}

std::optional<notation::GlyphRef> NotationView::glyphUnder(QPointF point) const {
    const QPointF at = point - toView(0, 0);
    return notation::glyphAt(m_layout, m_metrics, at.x(), at.y());
}

void NotationView::mousePressEvent(QMouseEvent *event) {
    const std::optional<notation::GlyphRef> hit = glyphUnder(event->position());
    if (!hit || !m_pressHandler || event->button() != Qt::LeftButton) {
        return;
    }
    const notation::Glyph &glyph = m_score.bars[hit->bar].parts[hit->part].glyphs[hit->index];
    m_pressHandler(hit->part, glyph.event, event->modifiers().testFlag(Qt::ShiftModifier));
}

void NotationView::mouseMoveEvent(QMouseEvent *event) {
    const std::optional<notation::GlyphRef> hit = glyphUnder(event->position());
    if (!hit || !m_pressHandler || !event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    const notation::Glyph &glyph = m_score.bars[hit->bar].parts[hit->part].glyphs[hit->index];
    m_pressHandler(hit->part, glyph.event, true);
}

// The digit's cell and its dashes, over the part's row down to its words.
QRectF NotationView::glyphCell(const notation::System &system,
                               const notation::PlacedGlyph &g) const {
    const notation::Glyph &glyph = m_score.bars[g.bar].parts[g.part].glyphs[g.index];
    const double right = glyph.dashes > 0 ? g.dashX[std::size_t(glyph.dashes - 1)] : g.x;
    const notation::Row &row = system.rows[g.part];
    const QPointF topLeft = toView(g.x, system.top + row.top);
    const QPointF bottomRight = toView(right + m_metrics.cell, system.top + row.wordsTop);
    return QRectF(topLeft, bottomRight);
}

// The syllable's line of words, as wide as its text.
QRectF NotationView::syllableCell(const notation::System &system,
                                  const notation::PlacedSyllable &syllable) const {
    const notation::Row &row = system.rows[syllable.part];
    const double top =
        system.top + row.wordsTop + static_cast<double>(syllable.verse) * m_metrics.verseHeight;
    const double pad = m_metrics.syllableGap / 2;
    return QRectF(toView(syllable.x - syllable.width / 2 - pad, top),
                  toView(syllable.x + syllable.width / 2 + pad, top + m_metrics.verseHeight));
}

std::vector<const notation::PlacedSyllable *> NotationView::markedSyllables() const {
    std::vector<const notation::PlacedSyllable *> marked;
    if (!m_markedTick) {
        return marked;
    }
    const int tick = *m_markedTick;
    for (const notation::System &system : m_layout.systems) {
        if (system.syllables.empty()) {
            continue;
        }
        for (const notation::PlacedGlyph &g : system.glyphs) {
            const notation::Glyph &glyph = m_score.bars[g.bar].parts[g.part].glyphs[g.index];
            if (glyph.degree == 0 || tick < glyph.onset || tick >= glyph.onset + glyph.length) {
                continue;
            }
            for (const notation::PlacedSyllable &syllable : system.syllables) {
                if (syllable.part == g.part && !syllable.text.empty() &&
                    syllable.event <= glyph.event && glyph.event <= syllable.lastEvent &&
                    std::find(marked.begin(), marked.end(), &syllable) == marked.end()) {
                    marked.push_back(&syllable);
                }
            }
        }
    }
    return marked;
}

// Calls `use` with the cell of each note sounding at `tick`, in the layout's order, until
// it answers false.
void NotationView::forEachSounding(int tick,
                                   const std::function<bool(const QRectF &cell)> &use) const {
    for (const notation::System &system : m_layout.systems) {
        for (const notation::PlacedGlyph &g : system.glyphs) {
            const notation::Glyph &glyph = m_score.bars[g.bar].parts[g.part].glyphs[g.index];
            if (glyph.degree != 0 && glyph.onset <= tick && tick < glyph.onset + glyph.length &&
                !use(glyphCell(system, g))) {
                return;
            }
        }
    }
}

QRect NotationView::setMarkedTick(std::optional<int> tick) {
    m_markedTick = tick;
    update();
    QRect first;
    if (tick) {
        forEachSounding(*tick, [&first](const QRectF &cell) {
            first = cell.toAlignedRect();
            return false;
        });
    }
    return first;
}

void NotationView::setChoice(std::optional<Choice> choice) {
    m_choice = choice;
    update();
}

std::vector<QRectF> NotationView::passageBands() const {
    std::vector<QRectF> bands;
    if (!m_choice || m_choice->from >= m_choice->to) {
        return bands;
    }
    for (const notation::System &system : m_layout.systems) {
        QRectF band;
        for (const notation::PlacedGlyph &g : system.glyphs) {
            const notation::Glyph &glyph = m_score.bars[g.bar].parts[g.part].glyphs[g.index];
            if (m_choice->from <= glyph.onset && glyph.onset < m_choice->to) {
                band = band.united(glyphCell(system, g));
            }
        }
        if (!band.isNull()) {
            bands.push_back(band);
        }
    }
    return bands;
}

std::vector<QRectF> NotationView::chosenCells() const {
    std::vector<QRectF> cells;
    if (!m_choice) {
        return cells;
    }
    for (const notation::System &system : m_layout.systems) {
        for (const notation::PlacedGlyph &g : system.glyphs) {
            const notation::Glyph &glyph = m_score.bars[g.bar].parts[g.part].glyphs[g.index];
            if (g.part == m_choice->part && glyph.event == m_choice->event) {
                cells.push_back(glyphCell(system, g));
            }
        }
    }
    return cells;
}

// Multiplied over what is drawn: a tint darkens the paper and any band under it, and
// leaves the black digits black.
void NotationView::paintMarks(QPainter &painter) const {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QColor highlight = palette().color(QPalette::Highlight);
    for (const QRectF &band : passageBands()) {
        painter.fillRect(band, kPassageTint);
    }
    if (m_markedTick) {
        const QColor mark = highlight.lighter(160);
        forEachSounding(*m_markedTick, [&](const QRectF &cell) {
            painter.fillRect(cell, mark);
            return true;
        });
        // What is sung goes with what sounds, so a class can sing along.
        const std::vector<const notation::PlacedSyllable *> sung = markedSyllables();
        for (const notation::System &system : m_layout.systems) {
            for (const notation::PlacedSyllable &syllable : system.syllables) {
                if (std::find(sung.begin(), sung.end(), &syllable) != sung.end()) {
                    painter.fillRect(syllableCell(system, syllable), mark);
                }
            }
        }
    }
    painter.setPen(QPen(highlight, 2));
    painter.setBrush(Qt::NoBrush);
    for (const QRectF &cell : chosenCells()) {
        painter.drawRoundedRect(cell.adjusted(1, 1, -1, -1), 3, 3);
    }
    painter.restore();
}

void NotationView::mouseDoubleClickEvent(QMouseEvent *event) {
    const std::optional<notation::GlyphRef> hit = glyphUnder(event->position());
    if (!hit || !m_noteHandler) {
        return;
    }
    const notation::Glyph &glyph = m_score.bars[hit->bar].parts[hit->part].glyphs[hit->index];
    m_noteHandler(hit->part, m_score.tracks[hit->part].events[glyph.event].tokenEnd);
}

} // namespace tunelet::ui
