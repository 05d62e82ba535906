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

void PictureSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect pictureRect = picture_.rect();
    for (const QRect& exposed : event->region()) {
        // Clipped to one rectangle, the picture goes out as a plain copy of its rows; under the exposed
        // region's many rectangles it would be blended span by span.
        painter.setClipRect(exposed);
        const QRect shown = exposed & pictureRect;
        if (!shown.isEmpty())
            painter.drawImage(shown.topLeft(), picture_, shown);
        const QRegion rest = QRegion(exposed) - QRegion(shown);
        for (const QRect& bare : rest)
            painter.fillRect(bare, background_);
    }
}

} // namespace ui
