// Pictures read from their file when first shown.
#include "ui/common/lazy_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <optional>

namespace tunelet::ui {

namespace {

class LazyIconEngine : public QIconEngine {
public:
    explicit LazyIconEngine(QString file) : m_file(std::move(file)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, 1.0, mode, state);
    }
    // size is in device pixels here: the picture drawn for scale is asked for.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("tunelet-lazy"); }
    QIconEngine *clone() const override { return new LazyIconEngine(m_file); }

private:
    const QIcon &icon() {
        if (!m_icon) {
            m_icon = QIcon(m_file);
        }
        return *m_icon;
    }

    QString m_file;
    std::optional<QIcon> m_icon;
};

} // namespace

QIcon lazyIcon(const QString &file) {
    return QIcon(new LazyIconEngine(file));
}

} // namespace tunelet::ui
