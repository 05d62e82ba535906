#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>

#include <memory>

struct ImagePane;

namespace ui {
class PictureSurface;
}

// What a pane shows of a picture while it loads: the parts of it that are final, at the frame's top-left
// corner where the fit will place the picture, over the frame's background. The pane's own picture, box and
// bars stay untouched beneath it, so that when the preview goes the pane shows what it showed before.
class PanePreview {
public:
    explicit PanePreview(ImagePane& pane);
    ~PanePreview();

    // The part of a picture the frame shows from its top-left corner, in the picture's pixels.
    QRect area() const;
    static QRect areaOf(const ImagePane& pane);
    // Shows seen where final says and the background elsewhere, painted at once: the caller is waiting for
    // a load and the window handles no events meanwhile.
    void show(const QImage& seen, const QRegion& final);

private:
    std::unique_ptr<ui::PictureSurface> surface_;
    QColor background_;
    QImage shown_;
};
