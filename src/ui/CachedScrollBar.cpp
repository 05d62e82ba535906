#include "ui/CachedScrollBar.h"

#include <QEvent>
#include <QPainter>

namespace ui {

bool CachedScrollBar::event(QEvent* event) {
    // Anything but a paint may change the look: hovering, pressing, enabling, palette, style or size.
    if (event->type() != QEvent::Paint)
        drawn_ = QPixmap();
    return QScrollBar::event(event);
}

void CachedScrollBar::sliderChange(SliderChange change) {
    drawn_ = QPixmap();
    QScrollBar::sliderChange(change);
}

void CachedScrollBar::paintEvent(QPaintEvent* event) {
    if (!drawn_.isNull() && !rendering_) {
        QPainter(this).drawPixmap(0, 0, drawn_);
        return;
    }
    QScrollBar::paintEvent(event);
    if (!rendering_ && !keepPending_) {
        keepPending_ = true;
        QMetaObject::invokeMethod(
            this, [this] { keepDrawing(); }, Qt::QueuedConnection);
    }
}

void CachedScrollBar::keepDrawing() {
    keepPending_ = false;
    if (!isVisible() || size().isEmpty())
        return;
    QPixmap drawing(size() * devicePixelRatio());
    drawing.setDevicePixelRatio(devicePixelRatio());
    rendering_ = true;
    // Over the window's colour: a bar paints every pixel of its rectangle, so nothing beneath shows.
    render(&drawing, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    rendering_ = false;
    drawn_ = drawing;
}

} // namespace ui
