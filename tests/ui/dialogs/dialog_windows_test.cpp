// Dialog tests: the window borders of the fixed dialogs, the about box's name and picture,
// and the instrument chooser's rows with the fonts this machine has.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <functional>
#include <memory>

#include "ui/dialogs/about_box.h"
#include "ui/dialogs/instrument_chooser.h"
#include "ui/dialogs/value_dialog.h"

namespace tunelet::ui::testing {
namespace {

struct FixedCase {
    const char *name;
    std::function<std::unique_ptr<QDialog>()> make;
};

TEST(FixedDialogs, HaveATitleAndACloseBoxAndCannotBeResized) {
    const FixedCase cases[] = {
        {"Tsyq", [] { return std::make_unique<InstrumentChooser>(nullptr); }},
        {"Tsettime", [] { return std::make_unique<ValueDialog>(nullptr); }},
        {"Tabout", [] { return std::make_unique<AboutBox>(nullptr); }},
    };
    const Qt::WindowFlags border =
        Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    for (const FixedCase &c : cases) {
        const std::unique_ptr<QDialog> dialog = c.make();
        EXPECT_TRUE((dialog->windowFlags() & border) == border &&
                    dialog->minimumSize() == dialog->maximumSize())
            << c.name;
    }
}

TEST(AboutBox, NamesTheProgramAndItsVersionWithAPictureDrawnForTheScreen) {
    AboutBox about(nullptr);
    EXPECT_EQ(about.findChild<QLabel *>("Label3")->text(), "Tunelet 0.1");
    const std::pair<qreal, const char *> screens[] = {{1, ":/app/tunelet-32.png"},
                                                      {2, ":/app/tunelet-64.png"}};
    for (const auto &[ratio, file] : screens) {
        const QImage shown = AboutBox::picture(ratio).toImage();
        EXPECT_EQ(shown, QImage(file).convertToFormat(shown.format())) << ratio;
    }
}

TEST(InstrumentChooser, ShowsElevenWholeNamesBelowTheFrame) {
    InstrumentChooser dialog(nullptr);
    dialog.show();
    auto *lyq = dialog.findChild<QListWidget *>("lyq");
    const QFontMetrics metrics(lyq->font());
    EXPECT_EQ(lyq->visualItemRect(lyq->item(0)), QRect(0, 0, lyq->viewport()->width(), 13));
    EXPECT_GE(lyq->viewport()->height(), 11 * 13);
    EXPECT_GT(lyq->viewport()->y(), lyq->frameWidth()) << "the first row keeps off the frame";
    // A row draws its name with the font's ascent above the baseline: every glyph's ink
    // must lie within the row.
    for (int row = 0; row < lyq->count(); ++row) {
        const QRect ink = metrics.tightBoundingRect(lyq->item(row)->text());
        EXPECT_TRUE(ink.top() >= -metrics.ascent() && ink.bottom() < 13 - metrics.ascent() &&
                    metrics.horizontalAdvance(lyq->item(row)->text()) <
                        lyq->item(row)->sizeHint().width())
            << lyq->item(row)->text().toStdString();
    }
    dialog.close();
}

} // namespace
} // namespace tunelet::ui::testing
