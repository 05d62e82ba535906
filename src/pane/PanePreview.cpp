#include "pane/PanePreview.h"

#include "pane/ImagePane.h"
#include "ui/PictureBox.h"
#include "ui/PictureSurface.h"

#include <QPainter>

#include <cmath>

PanePreview::PanePreview(ImagePane& pane)
    : surface_(std::make_unique<ui::PictureSurface>(pane.Frame.clientWidget())),
      background_(pane.Frame.backColor()) {
    surface_->setBackground(background_);
    surface_->setGeometry(pane.Frame.clientWidget()->rect());
    surface_->raise();
    surface_->show();
    const qreal ratio = surface_->devicePixelRatioF();
    shown_ = QImage(int(std::ceil(surface_->width() * ratio)), int(std::ceil(surface_->height() * ratio)),
                    QImage::Format_RGB32);
    shown_.fill(background_);
}

PanePreview::~PanePreview() = default;

QRect PanePreview::area() const {
    return shown_.rect();
}

void PanePreview::show(const QImage& seen, const QRegion& final) {
    QPainter painter(&shown_);
    painter.setClipRegion(final);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, seen);
    painter.end();
    surface_->setPicture(shown_);
    surface_->repaint();
}
