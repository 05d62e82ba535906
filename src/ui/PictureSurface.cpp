#include "ui/PictureSurface.h"

#include <QPaintEvent>
#include <QPainter>

namespace ui {

PictureSurface::PictureSurface(QWidget* parent) : QWidget(parent) {
    // The surface fills every pixel it is asked to paint, so Qt need not erase it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureSurface::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PictureSurface::clearPicture() {
    picture_ = QImage();
    update();
}

void PictureSurface::setBackground(const QColor& color) {
    background_ = color;
    update();
}

// The picture goes out in device pixels: on a screen that the window system scales, one picture pixel still
// covers one screen pixel, and the picture covers fewer of the surface's own units.
void PictureSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QRectF pictureRect(0, 0, picture_.width() / ratio, picture_.height() / ratio);
    // The units that the picture covers whole; a last part-covered row or column gets the background first.
    const QRect covered(0, 0, int(pictureRect.width()), int(pictureRect.height()));
    for (const QRect& exposed : event->region()) {
        // Clipped to one rectangle, the picture goes out as a plain copy of its rows; under the exposed
        // region's many rectangles it would be blended span by span.
        painter.setClipRect(exposed);
        for (const QRect& bare : QRegion(exposed) - QRegion(covered))
            painter.fillRect(bare, background_);
        const QRectF shown = QRectF(exposed) & pictureRect;
        if (!shown.isEmpty())
            painter.drawImage(shown, picture_, QRectF(shown.topLeft() * ratio, shown.size() * ratio));
    }
}

} // namespace ui
