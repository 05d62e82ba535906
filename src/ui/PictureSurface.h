#pragma once

#include <QImage>
#include <QWidget>

namespace ui {

// The drawing surface of a picture box. It paints only the exposed part of its picture, straight from
// the shared image, so a huge picture costs no more to repaint than the visible frame.
class PictureSurface : public QWidget {
    Q_OBJECT
public:
    explicit PictureSurface(QWidget* parent);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);
    void clearPicture();
    QColor background() const { return background_; }
    void setBackground(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QColor background_ = Qt::white;
};

} // namespace ui
