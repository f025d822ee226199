// The transport bar mp1: glyphs, drawing, sizing, and the pointer and keyboard handling.
#include <QFile>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <array>
#include <optional>

#include "playback/media_player.h"

namespace tunelet::playback {

namespace {

constexpr QRgb kTransparentOlive = qRgb(0x80, 0x80, 0x00) & RGB_MASK;
constexpr int kGlyphPadWidth = 8;
constexpr int kGlyphPadHeight = 4;
constexpr int kFocusInset = 3;

// ratio is 1 or 2: the 2x file is NAME@2x.xpm and takes the 1x glyph's logical size.
QString glyphFile(const char *prefix, const char *name, int ratio) {
    const QString suffix = ratio == 2 ? QStringLiteral("@2x") : QString();
    return QStringLiteral(":/glyphs/%1_%2%3.xpm")
        .arg(QLatin1String(prefix), QLatin1String(name), suffix);
}

QImage loadGlyph(const char *prefix, const char *name, int ratio) {
    QImage image(glyphFile(prefix, name, ratio));
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    // The artwork marks its background with olive.
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == kTransparentOlive) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return image;
}

constexpr std::array<const char *, kButtonKinds> kGlyphNames = {
    "MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV", "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"};
constexpr std::array<const char *, 3> kLooks = {"EN", "DI", "CL"};
enum Look { kEnabled, kDisabled, kColored };

// The three looks of every button, each read from the resources when first drawn: the bar
// shows seven of its twenty-seven at start. A second set drawn at twice the size, for
// screens of device pixel ratio 2 and more, is read only when such a screen needs it.
class Glyphs {
public:
    explicit Glyphs(int ratio) : m_ratio(ratio) {}

    const QImage &look(bool usable, bool colored, int button) {
        const Look look = !usable ? kDisabled : colored ? kColored : kEnabled;
        std::optional<QImage> &image = m_images[look][button];
        if (!image) {
            image = loadGlyph(kLooks[look], kGlyphNames[button], m_ratio);
        }
        return *image;
    }

private:
    int m_ratio;
    std::array<std::array<std::optional<QImage>, kButtonKinds>, kLooks.size()> m_images;
};

Glyphs &glyphs() {
    static Glyphs loaded(1);
    return loaded;
}

Glyphs &glyphs2x() {
    static Glyphs loaded(2);
    return loaded;
}

// The size of an XPM file without reading its pixels: its first string holds "columns
// rows colours characters-per-pixel".
QSize xpmSize(const QString &file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray head = in.read(512);
    const qsizetype open = head.indexOf('"');
    const qsizetype close = head.indexOf('"', open + 1);
    const QList<QByteArray> values = head.mid(open + 1, close - open - 1).split(' ');
    return open >= 0 && close > open && values.size() >= 2
               ? QSize(values[0].toInt(), values[1].toInt())
               : QSize();
}

// Only the 1x glyphs size and place the buttons, so the layout is the same on every screen.
QSize largestGlyph() {
    static const QSize largest = [] {
        QSize size;
        for (const char *look : kLooks) {
            for (const char *name : kGlyphNames) {
                size = size.expandedTo(xpmSize(glyphFile(look, name, 1)));
            }
        }
        return size;
    }();
    return largest;
}

int minimumButtonWidth() {
    return largestGlyph().width() + kGlyphPadWidth;
}
int minimumButtonHeight() {
    return largestGlyph().height() + kGlyphPadHeight;
}

} // namespace

int MediaPlayer::visibleCount() const {
    int count = 0;
    for (int b = 0; b < kButtonKinds; ++b) {
        count += (m_visible & buttonBit(TMPBtnType(b))) ? 1 : 0;
    }
    return std::max(count, 1);
}

int MediaPlayer::buttonIndex(TMPBtnType button) const {
    if (!(m_visible & buttonBit(button))) {
        return -1;
    }
    int index = 0;
    for (int b = 0; b < button; ++b) {
        index += (m_visible & buttonBit(TMPBtnType(b))) ? 1 : 0;
    }
    return index;
}

int MediaPlayer::buttonWidth() const {
    return (width() - 1) / visibleCount() + 1;
}

// Neighbouring buttons share one border pixel.
QRect MediaPlayer::buttonRect(int index) const {
    const int w = buttonWidth();
    return QRect(index * (w - 1), 0, w, height());
}

// The first visible button whose span holds x, both ends of the span included.
int MediaPlayer::hitButton(int x) const {
    const int w = buttonWidth();
    int index = 0;
    for (int b = 0; b < kButtonKinds; ++b) {
        if (!(m_visible & buttonBit(TMPBtnType(b)))) {
            continue;
        }
        const int left = index * (w - 1);
        if (x >= left && x <= left + w) {
            return b;
        }
        ++index;
    }
    return -1;
}

void MediaPlayer::adjustSize(int width, int height) {
    if (m_adjusting) {
        return;
    }
    const int n = visibleCount();
    const int w = (width - 1) / n + 1;
    const int newWidth = std::max(n * (w - 1) + 1, n * (minimumButtonWidth() - 1) + 1);
    const int newHeight = std::max(height, minimumButtonHeight());
    if (newWidth != this->width() || newHeight != this->height()) {
        m_adjusting = true;
        resize(newWidth, newHeight);
        m_adjusting = false;
    }
}

void MediaPlayer::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    adjustSize(width(), height());
}

QSize MediaPlayer::minimumSizeHint() const {
    return QSize(visibleCount() * (minimumButtonWidth() - 1) + 1, minimumButtonHeight());
}

QSize MediaPlayer::sizeHint() const {
    const int n = visibleCount();
    const int w = (width() - 1) / n + 1;
    return QSize(n * (w - 1) + 1, height()).expandedTo(minimumSizeHint());
}

void MediaPlayer::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(Qt::black); // the window frame
    painter.drawRect(0, 0, width() - 1, height() - 1);
    int index = 0;
    for (int b = 0; b < kButtonKinds; ++b) {
        if (m_visible & buttonBit(TMPBtnType(b))) {
            paintButton(painter, TMPBtnType(b), index++);
        }
    }
}

void MediaPlayer::paintButton(QPainter &painter, TMPBtnType button, int index) const {
    const QRect r = buttonRect(index);
    const bool in = m_down && button == m_current;
    painter.fillRect(r, palette().color(QPalette::Button));
    painter.setPen(Qt::black);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect inner = r.adjusted(1, 1, -1, -1); // inside the outline
    painter.setPen(palette().color(in ? QPalette::Dark : QPalette::Light));
    painter.drawLine(inner.topLeft(), inner.bottomLeft());
    painter.drawLine(inner.topLeft(), inner.topRight());
    if (!in) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(inner.bottomLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomRight());
    }

    const bool usable = isEnabled() && ((m_autoEnable ? m_active : m_enabled) & buttonBit(button));
    const bool colored = m_colored & buttonBit(button);
    const QImage *glyph = &glyphs().look(usable, colored, button);
    const int shift = in ? 1 : 0;
    const int x = r.left() + (r.width() - glyph->width()) / 2 + shift;
    const int y = r.top() + (r.height() - glyph->height()) / 2 + shift;
    // The ratio of what is really painted on: the backing store, or the image that
    // render() or grab() paints into, which can differ from the widget's screen.
    const QPaintDevice *target =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : painter.device();
    const QImage *glyph2x = target && target->devicePixelRatio() >= 2
                                ? &glyphs2x().look(usable, colored, button)
                                : nullptr;
    painter.drawImage(QPoint(x, y), glyph2x && !glyph2x->isNull() ? *glyph2x : *glyph);

    if (hasFocus() && button == m_focused) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const QRect focus =
            r.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1);
        painter.drawRect(focus.translated(shift, shift));
    }
}

void MediaPlayer::pressAt(const QPoint &pos) {
    const int hit = hitButton(pos.x());
    if (hit < 0) {
        return;
    }
    const auto button = TMPBtnType(hit);
    if (!((m_autoEnable ? m_active : m_enabled) & buttonBit(button))) {
        return;
    }
    m_current = button;
    m_focused = button;
    m_currentRect = buttonRect(buttonIndex(button));
    m_pressed = true;
    m_down = true;
    setFocus(Qt::MouseFocusReason);
    update(); // Qt keeps the pointer with this widget until the button is released
}

void MediaPlayer::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        pressAt(event->position().toPoint());
    }
}

// The second press of a double click is a press like any other.
void MediaPlayer::mouseDoubleClickEvent(QMouseEvent *event) {
    mousePressEvent(event);
}

void MediaPlayer::mouseMoveEvent(QMouseEvent *event) {
    if (!m_pressed) {
        return;
    }
    const bool inside = m_currentRect.contains(event->position().toPoint());
    if (inside != m_down) {
        m_down = inside;
        update();
    }
}

void MediaPlayer::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const bool run = m_pressed && m_down;
    m_pressed = false;
    if (!run) {
        return; // released away from the button: nothing runs
    }
    m_down = false;
    update();
    guarded([this] {
        runClick(m_current);
        if (m_autoEnable && m_lastError == 0 && m_open) {
            applyTransition(m_current);
        }
    });
}

void MediaPlayer::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        for (int b = m_focused + step; b >= 0 && b < kButtonKinds; b += step) {
            if (m_visible & buttonBit(TMPBtnType(b))) {
                m_focused = TMPBtnType(b);
                update();
                break;
            }
        }
        break;
    }
    case Qt::Key_Space:
        // The enabled set decides here, not the usable one: the command itself reports
        // when nothing is open.
        if (m_enabled & buttonBit(m_focused)) {
            m_current = m_focused;
            guarded([this] {
                runClick(m_current);
                if (m_autoEnable) {
                    applyTransition(m_current);
                }
            });
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void MediaPlayer::focusInEvent(QFocusEvent *event) {
    QWidget::focusInEvent(event);
    update();
}

void MediaPlayer::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace tunelet::playback
