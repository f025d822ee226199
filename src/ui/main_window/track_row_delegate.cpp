// Main window: the track list's rows, drawn whole and scrolled sideways to the longest.
#include "ui/main_window/track_row_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "ui/main_window/track_list_model.h"

namespace tunelet::ui {

namespace {

constexpr qsizetype kMarkStep = 1024;    // characters between two remembered x positions
constexpr char16_t kWideSample = 0x4E00; // stands in for a character outside the BMP

bool isAscii(const std::string &bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char b) { return static_cast<unsigned char>(b) < 0x80; });
}

// Control characters (a tab as a separator, say) show as spaces, so a row draws them as
// wide as they were measured.
QChar shown(QChar c) {
    return c.unicode() < 0x20 ? QChar(u' ') : c;
}

} // namespace

TrackRowDelegate::TrackRowDelegate(const TrackListModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model) {
    // A row is measured again only after it changed; rows shift with insertions.
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { m_rows.clear(); });
    // A list that does not match the rows around the change is measured anew.
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                const int count = last - first + 1;
                if (int(m_rows.size()) + count == m_model.rowCount() &&
                    first <= int(m_rows.size())) {
                    m_rows.insert(m_rows.begin() + first, count, RowText{});
                } else {
                    m_rows.clear();
                }
            });
    connect(&model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                if (int(m_rows.size()) == m_model.rowCount() + last - first + 1) {
                    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
                } else {
                    m_rows.clear();
                }
            });
    connect(&model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                for (int r = from.row(); r <= to.row() && r < int(m_rows.size()); ++r) {
                    m_rows[static_cast<std::size_t>(r)] = RowText{};
                }
                emit sizeHintChanged(from); // the widest row may have changed: lay out again
            });
}

void TrackRowDelegate::useFont(const QFont &font) const {
    QFont unkerned = font;
    unkerned.setKerning(false); // a row's width is the sum of its characters'
    if (m_advances.empty() || unkerned != m_font) {
        m_font = unkerned;
        m_advances.assign(0x10000, -1.0F);
        m_rows.clear();
    }
}

float TrackRowDelegate::advance(QChar c) const {
    if (c.isLowSurrogate()) {
        return 0; // measured with its high half
    }
    const char16_t code = c.isHighSurrogate() ? kWideSample : shown(c).unicode();
    float &width = m_advances[code];
    if (width < 0) {
        width = static_cast<float>(QFontMetricsF(m_font).horizontalAdvance(QChar(code)));
    }
    return width;
}

qsizetype TrackRowDelegate::length(const RowText &text, int index) const {
    return text.ascii ? static_cast<qsizetype>(m_model.line(index).size()) : text.text.size();
}

QChar TrackRowDelegate::charAt(const RowText &text, int index, qsizetype at) const {
    return text.ascii ? QChar(char16_t(m_model.line(index)[static_cast<std::size_t>(at)]))
                      : text.text.at(at);
}

const TrackRowDelegate::RowText &TrackRowDelegate::row(int index) const {
    if (m_rows.size() != static_cast<std::size_t>(m_model.rowCount())) {
        m_rows.assign(static_cast<std::size_t>(m_model.rowCount()), RowText{});
    }
    RowText &text = m_rows[static_cast<std::size_t>(index)];
    if (text.measured) {
        return text;
    }
    const std::string &bytes = m_model.line(index);
    text.ascii = isAscii(bytes);
    if (!text.ascii) {
        text.text = decodeLine(bytes);
    }
    const auto measure = [&text](qsizetype n, auto &&widthOf) {
        text.marks.reserve(static_cast<std::size_t>(n / kMarkStep + 1));
        float x = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (i % kMarkStep == 0) {
                text.marks.push_back(x);
            }
            x += widthOf(i);
        }
        return x;
    };
    float x = 0;
    if (text.ascii) {
        std::array<float, 0x80> ascii{};
        for (char16_t c = 0; c < 0x80; ++c) {
            ascii[c] = advance(QChar(c));
        }
        x = measure(static_cast<qsizetype>(bytes.size()), [&](qsizetype i) {
            return ascii[static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)])];
        });
    } else {
        x = measure(text.text.size(), [&](qsizetype i) { return advance(text.text.at(i)); });
    }
    text.width = x;
    text.measured = true;
    return text;
}

int TrackRowDelegate::widest() const {
    float widest = 0;
    for (int r = 0; r < m_model.rowCount(); ++r) {
        widest = std::max(widest, row(r).width);
    }
    return static_cast<int>(std::ceil(widest));
}

int TrackRowDelegate::margin(const QStyleOptionViewItem &option) const {
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

// The same size for every row, as the list asks only once when its rows are uniform.
QSize TrackRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const {
    useFont(option.font);
    return {widest() + 2 * margin(option), option.fontMetrics.height()};
}

// The characters of a row from the first that ends after from to the first that starts
// after to, and the x of the first.
std::pair<float, QString> TrackRowDelegate::visibleSlice(const RowText &text, int index, float from,
                                                         float to) const {
    const auto mark = std::upper_bound(text.marks.begin(), text.marks.end(), from);
    qsizetype at = mark == text.marks.begin() ? 0 : (mark - text.marks.begin() - 1) * kMarkStep;
    float x = text.marks.empty() ? 0 : text.marks[static_cast<std::size_t>(at / kMarkStep)];
    const qsizetype n = length(text, index);
    while (at < n && x + advance(charAt(text, index, at)) < from) {
        x += advance(charAt(text, index, at++));
    }
    if (at < n && charAt(text, index, at).isLowSurrogate() && at > 0) {
        x -= advance(charAt(text, index, --at)); // never half a character
    }
    QString slice;
    for (float end = x; at + slice.size() < n && end <= to;) {
        const QChar c = charAt(text, index, at + slice.size());
        end += advance(c);
        slice += shown(c);
    }
    if (!slice.isEmpty() && slice.back().isHighSurrogate() && at + slice.size() < n) {
        slice += charAt(text, index, at + slice.size()); // its low half
    }
    return {x, slice};
}

void TrackRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear(); // the background, the selection and the focus only
    const QWidget *view = option.widget;
    QStyle *style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

    useFont(option.font);
    const RowText &text = row(index.row());
    const int left = option.rect.left() + margin(option);
    const auto *list = qobject_cast<const QAbstractItemView *>(view);
    const QRect visible = list ? option.rect.intersected(list->viewport()->rect()) : option.rect;
    // From the first character that reaches into view, found from the mark before it, to
    // the last; a glyph's ink may stray past its advance, so one more on either side.
    const float slack = static_cast<float>(m_font.pixelSize() > 0 ? m_font.pixelSize() : 16);
    const float from = static_cast<float>(visible.left() - left) - slack;
    const float to = static_cast<float>(visible.right() - left) + slack;
    const auto [x, slice] = visibleSlice(text, index.row(), from, to);
    const QFontMetricsF metrics(m_font);
    const float top = option.rect.top() + (option.rect.height() - metrics.height()) / 2;
    painter->save();
    painter->setFont(m_font);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QPointF(left + x, top + metrics.ascent()), slice);
    painter->restore();
}

} // namespace tunelet::ui
