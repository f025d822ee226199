// The numbered-notation SVG file: a paint device that writes SVG as it is drawn on, each
// outline defined once and placed by reference, into a string in memory.
#pragma once

#include <QPaintDevice>
#include <QSizeF>
#include <QString>
#include <memory>
#include <string>

namespace tunelet::ui {

class SvgOutlineEngine;

// A picture of size points. A score repeats a few shapes (the digits, the part labels) tens
// of thousands of times: each is written once under <defs> and then placed with <use>, so
// the file and the memory grow by a few dozen bytes a note. Coordinates are written with
// three decimals, whatever their size (a long score is millions of points tall).
//
// Every drawing call of the painter is kept in out; when memory runs out the device stops
// writing and end() (QPainter::end()) answers false.
class SvgOutlineDevice : public QPaintDevice {
public:
    SvgOutlineDevice(const QSizeF &size, const QString &title, std::string &out);
    ~SvgOutlineDevice() override;
    SvgOutlineDevice(const SvgOutlineDevice &) = delete;
    SvgOutlineDevice &operator=(const SvgOutlineDevice &) = delete;

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSizeF m_size;
    std::unique_ptr<SvgOutlineEngine> m_engine;
};

} // namespace tunelet::ui
