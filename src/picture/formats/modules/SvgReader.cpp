#include "picture/formats/modules/SvgReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/modules/SvgDocument.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

namespace picture {

namespace {

constexpr qint64 largestFile = 64 * 1024 * 1024;

// The text, and the copy of it the renderer reads, both held while the document is parsed.
QByteArray contents(QIODevice& file, LoadBudget::Claim& claim) {
    const qint64 size = file.size();
    if (size > largestFile)
        invalidPicture();
    claim.grow(size * 2);
    QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        invalidPicture();
    return bytes;
}

// Whether the drawing covers its whole canvas; it stops at the first pixel that lets anything through.
bool opaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return false;
    }
    return true;
}

} // namespace

DecodedPicture SvgReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const SvgDocument document(contents(file, claim));
    claim.budget().refuseIfTooLarge(document.size(), claim.bytes());
    QSvgRenderer renderer(document.standalone());
    if (!renderer.isValid())
        invalidPicture();
    // Qt SVG measures a root without a viewBox at its own resolution; the document's units are pixels.
    renderer.setViewBox(document.viewBox());

    DecodedPicture decoded;
    decoded.image = claim.rgb32(document.size().width(), document.size().height());
    decoded.image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    decoded.image.fill(Qt::transparent);
    {
        QPainter painter(&decoded.image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, document.placement());
    }
    // An opaque drawing's pixels are as they are premultiplied, with nothing to lay on white.
    if (opaque(decoded.image)) {
        decoded.image.reinterpretAsFormat(QImage::Format_RGB32);
        return decoded;
    }
    // Straight alpha, laid on white after the colour stage; the conversion keeps the pixels where they are.
    decoded.image.convertTo(QImage::Format_ARGB32);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::SvgReader)
