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
    shown_ = QImage(areaOf(pane).size(), QImage::Format_RGB32);
    shown_.fill(background_);
}

QRect PanePreview::areaOf(const ImagePane& pane) {
    const QWidget* client = pane.Frame.clientWidget();
    const qreal ratio = client->devicePixelRatioF();
    return QRect(0, 0, int(std::ceil(client->width() * ratio)), int(std::ceil(client->height() * ratio)));
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
