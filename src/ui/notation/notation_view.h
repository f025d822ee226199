// The numbered-notation view: the score drawn on a widget as wide as its window, the
// lines broken to that width; a double-click on a note names the note's token.
#pragma once

#include <QWidget>
#include <functional>

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
    const notation::Score &score() const { return m_score; }
    const NotationHeader &header() const { return m_header; }
    const notation::Layout &layout() const { return m_layout; }
    void setNoteHandler(NoteHandler handler) { m_noteHandler = std::move(handler); }

    // A point of the layout (systems from the top of the music) on the widget.
    QPointF toView(double x, double y) const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void relayout();
    double contentWidth() const;

    NotationPainter m_painter;
    notation::Score m_score;
    NotationHeader m_header;
    notation::Metrics m_metrics;
    notation::Layout m_layout;
    NoteHandler m_noteHandler;
};

} // namespace tunelet::ui
