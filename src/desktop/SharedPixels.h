#pragma once

#include "desktop/Descriptor.h"

#include <QImage>

namespace desktop {

// Pixels that two processes of the program see alike: a decoder helper writes them and the window reads
// them, with no copy between. Their size is sealed before the window maps them, so the helper can never
// take pages from under it.
class SharedPixels {
public:
    // New pixels of the size and format, uninitialised, in this process, their pages made as they are first
    // written; a null image when the system will not give the memory.
    static SharedPixels make(QSize size, QImage::Format format);
    // The pixels another process made, handed as their descriptor with the layout it says they have; a null
    // image when the descriptor is not sealed memory of at least that layout's size. Their pages are mapped
    // as they are first touched, or ahead of that by makePages.
    static SharedPixels map(Descriptor memory, QSize size, QImage::Format format, qsizetype bytesPerLine);
    // Makes and maps the pages of `length` bytes from `start`, of pixels of this process's, at a fraction of
    // a fault for each.
    static void makePages(const uchar* start, qsizetype length);
    // Maps the pages of `length` bytes from `start`, of pixels another process makes, to be read: at a third
    // of makePages's cost where that process has made them already.
    static void mapPages(const uchar* start, qsizetype length);

    // Over the shared memory, which stays mapped while the image or a copy of it lives.
    const QImage& image() const { return image_; }
    // The image alone, to be written to: while a copy of it is held elsewhere, writing would copy it.
    QImage takeImage() { return std::move(image_); }
    int descriptor() const { return memory_.get(); }

private:
    static SharedPixels over(Descriptor memory, QSize size, QImage::Format format, qsizetype bytesPerLine);

    Descriptor memory_;
    QImage image_;
};

} // namespace desktop
