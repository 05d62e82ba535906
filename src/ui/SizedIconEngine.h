#pragma once

#include <QIconEngine>
#include <QList>
#include <QString>

namespace ui {

// An icon drawn at a few square sizes, one file each, read only when a size is first asked for: a window
// that is never shown, or a platform that draws no window icons, costs no decoding at start-up.
// Every mode and state shows the same picture; the icon only ever serves as a window icon.
class SizedIconEngine : public QIconEngine {
public:
    // pathPattern holds %1 for the edge in pixels, such as ":/icon/app-%1.png"; edges in ascending order.
    SizedIconEngine(QString pathPattern, QList<int> edges);

    QIconEngine* clone() const override;
    QString key() const override { return QStringLiteral("SizedIconEngine"); }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;

private:
    // The smallest drawn edge that covers the size, or the largest there is.
    int edgeFor(const QSize& size) const;

    QString pathPattern_;
    QList<int> edges_;
};

} // namespace ui
