// The numbered-notation view on paper and in files: A4 pages (PDF, a printer) and SVG.
#include "ui/notation/notation_files.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "notation/system_layout.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::ui {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kDigitPoints = 13; // the digits' size on paper
constexpr double kMarginMm = 15;
constexpr int kPdfResolution = 600;

QString failureText(const QString &path, const QString &why) {
    return texts::kNotationFileFailed.arg(path) +
           (why.isEmpty() ? QString() : QLatin1Char('\n') + why);
}

} // namespace

int paintPages(QPagedPaintDevice &device, const NotationDocument &document) {
    QPainter painter(&device);
    if (!painter.isActive()) {
        return 0;
    }
    // The drawing is in points, whatever the device's resolution.
    const double scale = device.logicalDpiX() / kPointsPerInch;
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Point);
    const double width = area.width();
    const NotationPainter draw(kDigitPoints);
    const notation::Metrics metrics = draw.metrics(document.score);
    const notation::Layout layout = notation::layoutSystems(document.score, metrics, width);
    const double header = draw.headerHeight();
    const double footer = draw.footerHeight();
    const double room = area.height() - footer;
    const std::vector<notation::Page> pages = notation::paginate(layout, room - header, room);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            device.newPage();
        }
        painter.resetTransform();
        painter.scale(scale, scale);
        double y = 0;
        if (p == 0) {
            draw.drawHeader(painter, document.score, document.header, width);
            y = header;
        }
        for (std::size_t s = pages[p].firstSystem; s < pages[p].endSystem; ++s) {
            const notation::System &system = layout.systems[s];
            painter.save();
            painter.translate(0, y + system.top - layout.systems[pages[p].firstSystem].top);
            draw.drawSystem(painter, document.score, system, metrics);
            painter.restore();
        }
        draw.drawFooter(painter, static_cast<int>(p) + 1, static_cast<int>(pages.size()), width,
                        area.height() - footer * 0.7);
    }
    return static_cast<int>(pages.size());
}

QString writeNotationPdf(const NotationDocument &document, const QString &path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failureText(path, file.errorString());
    }
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(kPdfResolution);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                           QPageLayout::Millimeter);
        pdf.setTitle(document.header.title);
        pdf.setCreator(QStringLiteral("Tunelet"));
        if (paintPages(pdf, document) == 0) {
            file.cancelWriting();
            return failureText(path, {});
        }
    }
    return file.commit() ? QString() : failureText(path, file.errorString());
}

QString writeNotationSvg(const NotationDocument &document, const QString &path) {
    const double margin = kMarginMm / 25.4 * kPointsPerInch;
    const double page = QPageSize(QPageSize::A4).size(QPageSize::Point).width();
    const double width = page - 2 * margin;
    const NotationPainter draw(kDigitPoints, true);
    const notation::Metrics metrics = draw.metrics(document.score);
    const notation::Layout layout = notation::layoutSystems(document.score, metrics, width);
    const double height = draw.headerHeight() + layout.height + 2 * margin;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failureText(path, file.errorString());
    }
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(qCeil(page), qCeil(height)));
        svg.setViewBox(QRectF(0, 0, page, height));
        svg.setTitle(document.header.title);
        QPainter painter(&svg);
        if (!painter.isActive()) {
            file.cancelWriting();
            return failureText(path, {});
        }
        painter.fillRect(QRectF(0, 0, page, height), Qt::white);
        painter.translate(margin, margin);
        draw.drawHeader(painter, document.score, document.header, width);
        painter.translate(0, draw.headerHeight());
        for (const notation::System &system : layout.systems) {
            painter.save();
            painter.translate(0, system.top);
            draw.drawSystem(painter, document.score, system, metrics);
            painter.restore();
        }
    }
    return file.commit() ? QString() : failureText(path, file.errorString());
}

} // namespace tunelet::ui
