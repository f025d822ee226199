// The numbered-notation painter: the words under the digits. Each syllable is drawn
// centred where the layout put it; a hyphen stands midway to the next syllable, and a
// melisma line runs under the notes the syllable is held over.
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "ui/notation/notation_painter.h"

namespace tunelet::ui {

namespace {

const QColor kInk(Qt::black);
const QColor kEditedInk(0x1f, 0x4e, 0xa8);

} // namespace

double NotationPainter::verseBaseline(const notation::Row &row, std::size_t verse,
                                      const notation::Metrics &metrics) const {
    const QFontMetricsF words(m_wordsFont);
    // The line's spare room goes mostly above the text, clear of the digits' underlines.
    return row.wordsTop + static_cast<double>(verse) * metrics.verseHeight +
           (metrics.verseHeight - words.height()) * 0.7 + words.ascent();
}

void NotationPainter::drawWords(QPainter &painter, const notation::Score &score,
                                const notation::System &system,
                                const notation::Metrics &metrics) const {
    if (system.syllables.empty()) {
        return;
    }
    const QFontMetricsF words(m_wordsFont);
    const double stroke = m_size * 0.05;
    painter.save();
    for (const notation::PlacedSyllable &syllable : system.syllables) {
        const QColor ink = static_cast<int>(syllable.part) == score.editedPart ? kEditedInk : kInk;
        painter.setPen(ink);
        const double base = verseBaseline(system.rows[syllable.part], syllable.verse, metrics);
        const double right = syllable.x + syllable.width / 2;
        if (!syllable.text.empty()) {
            drawText(painter, {syllable.x - syllable.width / 2, base},
                     QString::fromStdString(syllable.text), m_wordsFont);
        }
        if (syllable.hyphenTo > right) {
            // A short dash midway between the two syllables, at the height of a small letter.
            const double length = std::min(m_size * 0.35, (syllable.hyphenTo - right) * 0.6);
            const double middle = (right + syllable.hyphenTo) / 2;
            painter.fillRect(QRectF(middle - length / 2, base - words.xHeight() * 0.55 - stroke / 2,
                                    length, stroke),
                             ink);
        }
        const double from = syllable.text.empty() ? syllable.x : right + m_size * 0.1;
        if (syllable.lineTo > from) {
            painter.fillRect(QRectF(from, base + m_size * 0.05, syllable.lineTo - from, stroke),
                             ink);
        }
    }
    painter.restore();
}

} // namespace tunelet::ui
