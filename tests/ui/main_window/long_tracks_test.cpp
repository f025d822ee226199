// Window tests: long tracks in the track list, shown whole and scrolled to the longest.
#include <QPainter>
#include <QScrollBar>

#include "ui/main_window/track_list_model.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

// What a row of lp shows at the list's scroll position: the line drawn whole in the
// list's font, as one piece, from the row's left edge plus the text margin.
QImage expectedRow(const QListView &list, int row, const QString &line) {
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    QImage image(list.viewport()->width(), rect.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(list.palette().color(QPalette::Base));
    QPainter painter(&image);
    QFont font = list.font();
    font.setKerning(false);
    painter.setFont(font);
    painter.setPen(list.palette().color(QPalette::Text));
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    painter.drawText(QPointF(rect.left() + margin, QFontMetricsF(font).ascent()), line);
    return image;
}

QImage shownRow(QListView &list, int row) {
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    return list.viewport()
        ->grab(QRect(0, rect.top(), list.viewport()->width(), rect.height()))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST_F(WindowTest, EveryTrackShowsWholeAndTheListScrollsToTheEndOfTheLongest) {
    std::string longest;
    while (longest.size() < 5000) {
        longest += "1fd/2fd/5fe/6ff/#100/";
    }
    const std::string chinese = "@000/\xd6\xd0/" + std::string(60, '3') + "fd/";
    openScript({"1fd/", longest, chinese});
    QCoreApplication::processEvents(); // the list lays its rows out
    const QString lines[] = {"1fd/", QString::fromStdString(longest), decodeLine(chinese)};
    QScrollBar *sideways = lp()->horizontalScrollBar();
    const int width = QFontMetrics(lp()->font()).horizontalAdvance(lines[1]);
    EXPECT_NEAR(sideways->maximum() + lp()->viewport()->width(), width + 8, 4);
    for (const int at : {0, sideways->maximum() / 3, sideways->maximum()}) {
        sideways->setValue(at);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(shownRow(*lp(), row), expectedRow(*lp(), row, lines[row]))
                << "row " << row << " scrolled to " << at;
        }
    }

    select(1); // the longest replaced by a short one: nothing left to scroll to
    ij()->setText("1fd/");
    prompt->answers = {Answer::Yes};
    click("Button1");
    QCoreApplication::processEvents();
    EXPECT_EQ(sideways->maximum(), 0);
}

} // namespace
} // namespace tunelet::ui::testing
