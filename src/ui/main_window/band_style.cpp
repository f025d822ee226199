// Main window (Tmain): the look of the two tool bars in the band row.
//
// A style sheet ("QToolBar { border: none; padding: 0px; spacing: 0px; }") gives the same
// look, but puts the style sheet engine under every button of the bar: a millisecond at
// start, polishing and drawing the first frame.
#include "ui/main_window/band_style.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProxyStyle>

namespace tunelet::ui {

namespace {

class BandStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override {
        switch (metric) {
        case PM_ToolBarFrameWidth:
        case PM_ToolBarItemMargin:
        case PM_ToolBarItemSpacing:
            return 0;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        if (element != CE_ToolBar) {
            QProxyStyle::drawControl(element, option, painter, widget);
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override {
        if (element != PE_PanelToolBar) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }
};

} // namespace

QStyle *bandStyle() {
    static QPointer<QStyle> style;
    if (style.isNull()) {
        style = new BandStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace tunelet::ui
