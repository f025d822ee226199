// The numbered-notation view: the score drawn on a widget as wide as its window.
#include "ui/notation/notation_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace tunelet::ui {

namespace {

constexpr double kDigitPixels = 18;
constexpr double kMargin = 14;

} // namespace

NotationView::NotationView(QWidget *parent) : QWidget(parent), m_painter(kDigitPixels) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void NotationView::setScore(notation::Score score, NotationHeader header) {
    m_score = std::move(score);
    m_header = std::move(header);
    m_metrics = m_painter.metrics(m_score);
    relayout();
}

double NotationView::contentWidth() const {
    return std::max(1.0, width() - 2 * kMargin);
}

void NotationView::relayout() {
    m_layout = notation::layoutSystems(m_score, m_metrics, contentWidth());
    const int height = heightForWidth(width());
    if (minimumHeight() != height) {
        setMinimumHeight(height);
    }
    update();
}

int NotationView::heightForWidth(int width) const {
    Q_UNUSED(width); // the layout is made for the current width and kept
    return static_cast<int>(std::ceil(2 * kMargin + m_painter.headerHeight() + m_layout.height));
}

QSize NotationView::sizeHint() const {
    return {640, heightForWidth(640)};
}

QPointF NotationView::toView(double x, double y) const {
    return {x + kMargin, y + kMargin + m_painter.headerHeight()};
}

void NotationView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    relayout();
}

void NotationView::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(kMargin, kMargin);
    m_painter.drawHeader(painter, m_score, m_header, contentWidth());
    const double top = kMargin + m_painter.headerHeight();
    painter.translate(0, m_painter.headerHeight());
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
}

void NotationView::mouseDoubleClickEvent(QMouseEvent *event) {
    const QPointF at = event->position() - toView(0, 0);
    const std::optional<notation::GlyphRef> hit =
        notation::glyphAt(m_layout, m_metrics, at.x(), at.y());
    if (!hit || !m_noteHandler) {
        return;
    }
    const notation::Glyph &glyph = m_score.bars[hit->bar].parts[hit->part].glyphs[hit->index];
    m_noteHandler(hit->part, m_score.tracks[hit->part].events[glyph.event].tokenEnd);
}

} // namespace tunelet::ui
