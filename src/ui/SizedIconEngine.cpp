#include "ui/SizedIconEngine.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace ui {

SizedIconEngine::SizedIconEngine(QString pathPattern, QList<int> edges)
    : pathPattern_(std::move(pathPattern)), edges_(std::move(edges)) {}

QIconEngine* SizedIconEngine::clone() const {
    return new SizedIconEngine(*this);
}

QList<QSize> SizedIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    QList<QSize> sizes;
    for (int edge : edges_)
        sizes << QSize(edge, edge);
    return sizes;
}

int SizedIconEngine::edgeFor(const QSize& size) const {
    const int wanted = std::min(size.width(), size.height());
    const auto covering =
        std::find_if(edges_.begin(), edges_.end(), [&](int edge) { return edge >= wanted; });
    return covering != edges_.end() ? *covering : edges_.last();
}

QSize SizedIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const int edge = std::min({edgeFor(size), size.width(), size.height()});
    return QSize(edge, edge);
}

QPixmap SizedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    if (edges_.isEmpty() || size.isEmpty())
        return {};
    // QPixmap's own cache keeps each file decoded once.
    const QPixmap drawn(pathPattern_.arg(edgeFor(size)));
    const QSize shown = actualSize(size, mode, state);
    return drawn.size() == shown ? drawn : drawn.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void SizedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    const QPixmap shown = pixmap(rect.size(), mode, state);
    QRect placed(QPoint(), shown.size());
    placed.moveCenter(rect.center());
    painter->drawPixmap(placed, shown);
}

} // namespace ui
