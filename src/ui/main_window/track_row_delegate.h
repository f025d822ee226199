// Main window: how the track list lp draws its rows, each track line whole.
#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>
#include <utility>
#include <vector>

namespace tunelet::ui {

class TrackListModel;

// Every row is as wide as the widest track, so the list scrolls sideways to the end of
// the longest line, and a row is as high as the font's own line. A row draws only the
// characters inside the list's visible width: a track of megabytes is drawn as fast as a
// short one. The widths are summed from each character's advance, measured once per
// character, and kept per row until the row changes.
class TrackRowDelegate : public QStyledItemDelegate {
public:
    TrackRowDelegate(const TrackListModel &model, QObject *parent);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    // A row's text as drawn and the x of every kMarkStep-th character, from the row's left.
    struct RowText {
        bool measured = false;
        bool ascii = true; // the bytes are the characters; text stays empty
        QString text;
        std::vector<float> marks;
        float width = 0;
    };

    void useFont(const QFont &font) const;
    const RowText &row(int index) const;
    float advance(QChar c) const;
    qsizetype length(const RowText &text, int index) const;
    QChar charAt(const RowText &text, int index, qsizetype at) const;
    int widest() const;
    std::pair<float, QString> visibleSlice(const RowText &text, int index, float from,
                                           float to) const;
    int margin(const QStyleOptionViewItem &option) const;

    const TrackListModel &m_model;
    mutable QFont m_font;
    mutable std::vector<float> m_advances; // of each character of the BMP; < 0: not yet
    mutable std::vector<RowText> m_rows;
};

} // namespace tunelet::ui
