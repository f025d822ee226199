// The numbered-notation view on paper and in files: A4 pages (PDF, a printer) and SVG.
#include "ui/notation/notation_files.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>
#include <new>

#include "notation/system_layout.h"
#include "score/atomic_file.h"
#include "score/file_access.h"
#include "ui/notation/notation_texts.h"
#include "ui/notation/svg_outline_device.h"

namespace tunelet::ui {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kDigitPoints = 13; // the digits' size on paper
constexpr double kMarginMm = 15;
constexpr int kPdfResolution = 600;

QString failureText(const std::string &path, int error) {
    if (error == ENOMEM) {
        return texts::kNotationOutOfMemory.arg(QFile::decodeName(QByteArray::fromStdString(path)));
    }
    return texts::kNotationFileFailed.arg(
        QFile::decodeName(QByteArray::fromStdString(path)),
        QString::fromStdString(score::systemErrorText(error, score::FileAccess::Write)));
}

// The document is made in memory and then handed to the program's file writer, so the
// drawing follows the rules of every other file it writes: the old file stays whole when
// anything fails, a device or pipe is refused, hard links and the owner are kept. A
// failure of the document in memory can only be a lack of memory.
QString commit(const std::string &path, std::string_view bytes) {
    const score::FileWriteResult written = score::replaceFileAtomically(path, bytes);
    return written.ok() ? QString() : failureText(path, written.error);
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
    // The document's last bytes are written here; a device that fails them fails it all.
    return painter.end() ? static_cast<int>(pages.size()) : 0;
}

QString writeNotationPdf(const NotationDocument &document, const std::string &path) {
    QByteArray bytes;
    try {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPdfResolution);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                           QPageLayout::Millimeter);
        pdf.setTitle(document.header.title);
        pdf.setCreator(QStringLiteral("Tunelet"));
        if (paintPages(pdf, document) == 0) {
            return failureText(path, ENOMEM);
        }
    } catch (const std::bad_alloc &) {
        return failureText(path, ENOMEM);
    }
    return commit(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QString writeNotationPdf(const NotationDocument &document, const QString &path) {
    return writeNotationPdf(document, QFile::encodeName(path).toStdString());
}

QString writeNotationSvg(const NotationDocument &document, const std::string &path) {
    const double margin = kMarginMm / 25.4 * kPointsPerInch;
    const double page = QPageSize(QPageSize::A4).size(QPageSize::Point).width();
    const double width = page - 2 * margin;
    std::string bytes;
    try {
        const NotationPainter draw(kDigitPoints, true);
        const notation::Metrics metrics = draw.metrics(document.score);
        const notation::Layout layout = notation::layoutSystems(document.score, metrics, width);
        const double height = draw.headerHeight() + layout.height + 2 * margin;
        SvgOutlineDevice svg(QSizeF(page, height), document.header.title, bytes);
        QPainter painter(&svg);
        if (!painter.isActive()) {
            return failureText(path, ENOMEM);
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
        if (!painter.end()) {
            return failureText(path, ENOMEM);
        }
    } catch (const std::bad_alloc &) {
        return failureText(path, ENOMEM);
    }
    return commit(path, bytes);
}

QString writeNotationSvg(const NotationDocument &document, const QString &path) {
    return writeNotationSvg(document, QFile::encodeName(path).toStdString());
}

} // namespace tunelet::ui
