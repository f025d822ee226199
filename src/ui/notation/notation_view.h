// The numbered-notation view: the score drawn on a widget as wide as its window, the
// lines broken to that width; a double-click on a note names the note's token, a click
// chooses it for practice, and the notes sounding in a practice play are marked.
//
// Three marks lie over the music, tinting it without hiding a digit (also on the tinted
// row of the line being composed): the chosen passage, shaded; the chosen start note,
// framed; the notes sounding in a play, filled, and the syllables sung on them with them.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "notation/layout_cache.h"
#include "notation/system_layout.h"
#include "ui/notation/notation_painter.h"

namespace tunelet::ui {

class NotationView : public QWidget {
    Q_OBJECT
public:
    // part, and the byte just after the note's token in its line
    using NoteHandler = std::function<void(std::size_t part, std::size_t tokenEnd)>;

    explicit NotationView(QWidget *parent = nullptr);

    void setScore(notation::Score score, NotationHeader header);
    // The score of these lines; only what differs from the score shown is laid out again.
    void updateScore(const std::vector<std::string> &lines, notation::TimeSignature time,
                     int editedPart, NotationHeader header);
    const notation::Score &score() const { return m_score; }
    const NotationHeader &header() const { return m_header; }
    const notation::Layout &layout() const { return m_layout; }
    void setNoteHandler(NoteHandler handler) { m_noteHandler = std::move(handler); }
    // A click on a note or rest: its part and event; `extend` with Shift, or dragged on
    // to another (a passage).
    using PressHandler = std::function<void(std::size_t part, std::size_t event, bool extend)>;
    void setPressHandler(PressHandler handler) { m_pressHandler = std::move(handler); }
    // Marks the notes sounding at `tick` (none: nullopt); answers where the first is.
    QRect setMarkedTick(std::optional<int> tick);
    // The syllables marked with the sounding notes, in every verse: each one sung on a
    // sounding note or held over it.
    std::vector<const notation::PlacedSyllable *> markedSyllables() const;

    // The practice choice: the note a play starts from (part and event) and the passage a
    // loop repeats, [from, to) in ticks.
    struct Choice {
        std::size_t part = 0, event = 0;
        int from = 0, to = 0;
    };
    void setChoice(std::optional<Choice> choice);
    // Where the choice is drawn: each system's band over the passage, and the start
    // note's cells (more than one when a bar line splits it).
    std::vector<QRectF> passageBands() const;
    std::vector<QRectF> chosenCells() const;

    // A point of the layout (systems from the top of the music) on the widget.
    QPointF toView(double x, double y) const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void relayout();
    double contentWidth() const;
    std::optional<notation::GlyphRef> glyphUnder(QPointF point) const;
    QRectF glyphCell(const notation::System &system, const notation::PlacedGlyph &g) const;
    void paintMarks(QPainter &painter) const;
    void forEachSounding(int tick, const std::function<bool(const QRectF &cell)> &use) const;
    QRectF syllableCell(const notation::System &system,
                        const notation::PlacedSyllable &syllable) const;

    NotationPainter m_painter;
    // The score and its layout, kept from one change to the next; m_score and m_layout
    // are its objects.
    notation::LayoutCache m_notation;
    const notation::Score &m_score = m_notation.score();
    const notation::Layout &m_layout = m_notation.layout();
    NotationHeader m_header;
    notation::Metrics m_metrics;
    NoteHandler m_noteHandler;
    PressHandler m_pressHandler;
    std::optional<int> m_markedTick;
    std::optional<Choice> m_choice;
};

} // namespace tunelet::ui
