#pragma once

#include "ui/Container.h"
#include "ui/Control.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <functional>

namespace ui {

class PictureSurface;

// A picture box: a clipping container for other controls that shows a picture at its natural size.
// With a border, the outer size includes the one-pixel line and children sit inside it.
class PictureBox : public Control, public Container {
public:
    struct Design {
        bool border = false;
        QColor background = Qt::white;
        bool autoSize = false;
    };

    PictureBox(Container& container, QString name, Design design);

    // Assigning a picture releases the previous one; with auto-size on, the box takes the picture's size.
    void setPicture(const QImage& picture);
    void clearPicture();
    // 0 while the box holds no picture.
    qint64 pictureHandle() const;
    // The image the box shows: the picture itself (sharing its pixels), or the bare background.
    QImage image() const;
    // Erases what was drawn on the box and repaints it.
    void cls();

    QColor backColor() const;
    void setBackColor(const QColor& color);

    std::function<void(int16_t& keyCode, int shift)> onKeyDown;
    // Local files dropped on a framed box, in the order the drag carried them. Without a handler, or for a
    // drag that carries no local file (text, a web address), the box refuses the drop.
    std::function<void(const QStringList& paths)> onFilesDropped;

    QWidget* clientWidget() const override;
    double unitsPerPixel() const override { return 1.0; }

private:
    bool border_;
    bool autoSize_;
    PictureSurface* surface_ = nullptr;
};

} // namespace ui
