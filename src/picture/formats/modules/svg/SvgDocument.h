#pragma once

#include <QByteArray>
#include <QSize>

namespace picture {

// An SVG document as the reader draws it: its intrinsic size, from its root's width and height (px, or pt,
// pc, mm, cm and in at 96 dots an inch), or from its viewBox where they are missing or percentages; and
// the document itself, kept apart from every other file: each link (href) that is not to a part of the
// document or to data inside it is taken out, so that drawing it reads no other file.
class SvgDocument {
public:
    // Fails with "Invalid picture" for text that is not well-formed XML with an <svg> root.
    explicit SvgDocument(const QByteArray& text);

    // The size in whole pixels, at least 1 x 1; 300 x 150, as a web page shows it, for what the document
    // does not say. Sizes beyond any screen are capped at a billion pixels a side.
    QSize size() const { return size_; }
    const QByteArray& standalone() const { return standalone_; }

private:
    QSize size_;
    QByteArray standalone_;
};

} // namespace picture
