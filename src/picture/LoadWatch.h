#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>

#include <functional>

namespace picture {

// Someone who sees part of a picture while it loads: the part, from the picture's top-left corner, and what
// to tell them each time more of it is final. `show` is told on the loading thread; `seen` holds the part,
// exact where `final` says and undefined elsewhere, and is the loader's own: copy what is needed.
struct LoadWatch {
    QRect area;
    std::function<void(const QImage& seen, const QRegion& final)> show;
};

} // namespace picture
