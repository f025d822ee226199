// The numbered-notation SVG file: a paint device that writes SVG as it is drawn on.
#include "ui/notation/svg_outline_device.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTransform>
#include <QtMath>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <unordered_map>

namespace tunelet::ui {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kMmPerInch = 25.4;

// Three decimals are a thousandth of a point at any distance from the origin; trailing
// zeros are left out. Written from the value in thousandths, as a whole number: a long
// score writes millions of numbers.
void appendNumber(std::string &out, double value) {
    constexpr double kLargest = 9e15; // thousandths a 64-bit whole number holds exactly
    if (!std::isfinite(value)) {
        value = 0;
    }
    char text[64];
    char *end = text;
    if (std::abs(value) * 1000 >= kLargest) {
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3).ptr;
        out.append(text, end);
        return;
    }
    long long thousandths = std::llround(value * 1000);
    if (thousandths < 0) {
        *end++ = '-';
        thousandths = -thousandths;
    }
    end = std::to_chars(end, text + sizeof text, thousandths / 1000).ptr;
    if (const int fraction = static_cast<int>(thousandths % 1000); fraction != 0) {
        const char digits[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                                char('0' + fraction % 10)};
        *end++ = '.';
        const int kept = digits[2] != '0' ? 3 : digits[1] != '0' ? 2 : 1;
        end = std::copy(digits, digits + kept, end);
    }
    out.append(text, end);
}

void appendAttribute(std::string &out, const char *name, double value) {
    out.push_back(' ');
    out += name;
    out += "=\"";
    appendNumber(out, value);
    out.push_back('"');
}

void appendColour(std::string &out, const char *name, const char *opacity, const QColor &colour) {
    out.push_back(' ');
    out += name;
    out += "=\"";
    out += colour.name(QColor::HexRgb).toStdString();
    out.push_back('"');
    if (colour.alpha() < 255) {
        appendAttribute(out, opacity, colour.alphaF());
    }
}

std::string escaped(const QString &text) {
    std::string out;
    for (const char c : text.toStdString()) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // XML takes no control characters but tab and line ends (a file name may).
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
                out.push_back(c);
            }
        }
    }
    return out;
}

} // namespace

class SvgOutlineEngine : public QPaintEngine {
public:
    SvgOutlineEngine(const QSizeF &size, const QString &title, std::string &out)
        : QPaintEngine(QPaintEngine::AllFeatures), m_size(size), m_title(title), m_out(out) {}

    bool begin(QPaintDevice *) override {
        guarded([this] { writeHeader(); });
        return !m_failed;
    }
    bool end() override {
        guarded([this] { m_out += "</svg>\n"; });
        return !m_failed;
    }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &state) override {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen) {
            m_pen = state.pen();
            m_styleDirty = true;
        }
        if (flags & DirtyBrush) {
            m_brush = state.brush();
            m_styleDirty = true;
        }
        if (flags & DirtyTransform) {
            m_transform = state.transform();
        }
    }

    void drawPath(const QPainterPath &path) override {
        guarded([&] { writePath(path, false); });
    }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override {
        guarded([&] {
            QPainterPath path;
            path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
            for (int i = 0; i < count; ++i) {
                i == 0 ? path.moveTo(points[i]) : path.lineTo(points[i]);
            }
            if (mode != PolylineMode) {
                path.closeSubpath();
            }
            writePath(path, mode == PolylineMode);
        });
    }
    void drawRects(const QRectF *rects, int count) override {
        guarded([&] {
            for (int i = 0; i < count; ++i) {
                const QRectF rect = rects[i].normalized();
                if (!placedByTranslation()) {
                    QPainterPath path;
                    path.addRect(rect);
                    writePath(path, false);
                    continue;
                }
                m_out += "<rect";
                appendAttribute(m_out, "x", rect.x() + m_transform.dx());
                appendAttribute(m_out, "y", rect.y() + m_transform.dy());
                appendAttribute(m_out, "width", rect.width());
                appendAttribute(m_out, "height", rect.height());
                writeStyle(false);
            }
        });
    }
    void drawEllipse(const QRectF &rect) override {
        guarded([&] {
            if (!placedByTranslation()) {
                QPainterPath path;
                path.addEllipse(rect);
                writePath(path, false);
                return;
            }
            m_out += "<ellipse";
            appendAttribute(m_out, "cx", rect.center().x() + m_transform.dx());
            appendAttribute(m_out, "cy", rect.center().y() + m_transform.dy());
            appendAttribute(m_out, "rx", std::abs(rect.width()) / 2);
            appendAttribute(m_out, "ry", std::abs(rect.height()) / 2);
            writeStyle(false);
        });
    }
    // The notation draws no pictures.
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}

private:
    // Out of memory, the file is abandoned: nothing more is written and end() fails.
    template <typename Write> void guarded(Write write) {
        if (m_failed) {
            return;
        }
        try {
            write();
        } catch (const std::bad_alloc &) {
            m_failed = true;
            std::string().swap(m_out);
            decltype(m_defined)().swap(m_defined);
        }
    }

    bool placedByTranslation() const { return m_transform.type() <= QTransform::TxTranslate; }

    void writeHeader() {
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<svg";
        m_out += " xmlns=\"http://www.w3.org/2000/svg\"";
        m_out += " xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\"";
        m_out += " width=\"";
        appendNumber(m_out, m_size.width());
        m_out += "pt\" height=\"";
        appendNumber(m_out, m_size.height());
        m_out += "pt\" viewBox=\"0 0 ";
        appendNumber(m_out, m_size.width());
        m_out.push_back(' ');
        appendNumber(m_out, m_size.height());
        m_out += "\">\n<title>" + escaped(m_title) + "</title>\n";
    }

    // The pen and brush as attributes, cached until either changes. Black fill without an
    // outline is SVG's default and needs no words.
    void writeStyle(bool noFill) {
        if (m_styleDirty) {
            m_style.clear();
            if (m_brush.style() == Qt::NoBrush) {
                m_style += " fill=\"none\"";
            } else if (m_brush.color() != QColor(Qt::black)) {
                appendColour(m_style, "fill", "fill-opacity", m_brush.color());
            }
            if (m_pen.style() != Qt::NoPen) {
                appendColour(m_style, "stroke", "stroke-opacity", m_pen.color());
                appendAttribute(m_style, "stroke-width", m_pen.widthF() > 0 ? m_pen.widthF() : 1);
                if (m_pen.isCosmetic()) {
                    m_style += " vector-effect=\"non-scaling-stroke\"";
                }
                m_style += m_pen.capStyle() == Qt::SquareCap  ? " stroke-linecap=\"square\""
                           : m_pen.capStyle() == Qt::RoundCap ? " stroke-linecap=\"round\""
                                                              : "";
                m_style += m_pen.joinStyle() == Qt::BevelJoin   ? " stroke-linejoin=\"bevel\""
                           : m_pen.joinStyle() == Qt::RoundJoin ? " stroke-linejoin=\"round\""
                                                                : "";
            }
            m_styleDirty = false;
        }
        if (noFill && m_brush.style() != Qt::NoBrush) {
            m_out += " fill=\"none\"";
        }
        m_out += m_style;
        m_out += "/>\n";
    }

    // The outline relative to its first point is the shape; where it stands is the use's.
    // Shapes are told apart by their points in thousandths of a point (the precision of
    // the file), and written out only the first time.
    void writePath(const QPainterPath &path, bool noFill) {
        if (path.isEmpty()) {
            return;
        }
        const QPointF origin = path.elementAt(0);
        m_key.clear();
        m_key.push_back(path.fillRule() == Qt::OddEvenFill ? 'e' : 'w');
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element element = path.elementAt(i);
            const long long point[2] = {std::llround((element.x - origin.x()) * 1000),
                                        std::llround((element.y - origin.y()) * 1000)};
            m_key.push_back(static_cast<char>(element.type));
            m_key.append(reinterpret_cast<const char *>(point), sizeof point);
        }
        auto [found, added] =
            m_defined.try_emplace(m_key, static_cast<std::uint32_t>(m_defined.size()));
        const std::string id = std::to_string(found->second);
        if (added) {
            m_out += "<defs><path id=\"p" + id + "\" d=\"";
            for (int i = 0; i < path.elementCount(); ++i) {
                const QPainterPath::Element element = path.elementAt(i);
                m_out.push_back(element.isMoveTo()    ? 'M'
                                : element.isLineTo()  ? 'L'
                                : element.isCurveTo() ? 'C'
                                                      : ' ');
                appendNumber(m_out, element.x - origin.x());
                m_out.push_back(' ');
                appendNumber(m_out, element.y - origin.y());
            }
            // SVG's own default is nonzero.
            m_out += path.fillRule() == Qt::OddEvenFill ? "\" fill-rule=\"evenodd\"/></defs>\n"
                                                        : "\"/></defs>\n";
        }
        const QPointF at = m_transform.map(origin);
        m_out += "<use xlink:href=\"#p" + id + "\"";
        if (placedByTranslation()) {
            appendAttribute(m_out, "x", at.x());
            appendAttribute(m_out, "y", at.y());
        } else {
            m_out += " transform=\"matrix(";
            for (const double value : {m_transform.m11(), m_transform.m12(), m_transform.m21(),
                                       m_transform.m22(), at.x()}) {
                appendNumber(m_out, value);
                m_out.push_back(' ');
            }
            appendNumber(m_out, at.y());
            m_out += ")\"";
        }
        writeStyle(noFill);
    }

    QSizeF m_size;
    QString m_title;
    std::string &m_out;
    bool m_failed = false;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    bool m_styleDirty = true;
    std::string m_style;
    std::string m_key;
    std::unordered_map<std::string, std::uint32_t> m_defined;
};

SvgOutlineDevice::SvgOutlineDevice(const QSizeF &size, const QString &title, std::string &out)
    : m_size(size), m_engine(std::make_unique<SvgOutlineEngine>(size, title, out)) {}

SvgOutlineDevice::~SvgOutlineDevice() = default;

QPaintEngine *SvgOutlineDevice::paintEngine() const {
    return m_engine.get();
}

int SvgOutlineDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return qCeil(m_size.width());
    case PdmHeight:
        return qCeil(m_size.height());
    case PdmWidthMM:
        return qRound(m_size.width() / kPointsPerInch * kMmPerInch);
    case PdmHeightMM:
        return qRound(m_size.height() / kPointsPerInch * kMmPerInch);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return int(kPointsPerInch);
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}

} // namespace tunelet::ui
