#include "picture/formats/modules/svg/SvgReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/StraightAlpha.h"
#include "picture/formats/WholeFile.h"
#include "picture/formats/modules/svg/SvgDocument.h"

#include <algorithm>

// GLib names a member signals, which Qt has made a keyword; this file defines no signals.
#undef signals
#include <librsvg/rsvg.h>

namespace picture {

namespace {

constexpr qint64 largestFile = 64 * 1024 * 1024;
// The widest and tallest image surface cairo makes.
constexpr int largestTile = 32767;

using Handle = desktop::Owned<RsvgHandle, g_object_unref>;
using Error = desktop::Owned<GError, g_error_free>;
using Surface = desktop::Owned<cairo_surface_t, cairo_surface_destroy>;
using Context = desktop::Owned<cairo_t, cairo_destroy>;

// Parsed from memory with no base file: librsvg then refuses every reference that is not inside the
// document (images, style sheets, url() in properties, XInclude).
Handle parsed(const QByteArray& text) {
    GError* failure = nullptr;
    Handle handle(rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(text.constData()),
                                            gsize(text.size()), &failure));
    const Error error(failure);
    if (!handle)
        invalidPicture();
    rsvg_handle_set_dpi(handle.get(), 96);
    return handle;
}

// Drawn straight into the picture's premultiplied pixels, which are cairo's ARGB32, in tiles cairo can
// make: the whole document each time, placed in the whole picture.
void draw(RsvgHandle* handle, QImage& image) {
    const RsvgRectangle viewport{0, 0, double(image.width()), double(image.height())};
    for (int y = 0; y < image.height(); y += largestTile)
        for (int x = 0; x < image.width(); x += largestTile) {
            const Surface surface(cairo_image_surface_create_for_data(
                image.scanLine(y) + x * 4, CAIRO_FORMAT_ARGB32, std::min(largestTile, image.width() - x),
                std::min(largestTile, image.height() - y), int(image.bytesPerLine())));
            const Context context(cairo_create(surface.get()));
            cairo_translate(context.get(), -x, -y);
            GError* failure = nullptr;
            const bool drawn = rsvg_handle_render_document(handle, context.get(), &viewport, &failure);
            const Error error(failure);
            if (cairo_status(context.get()) == CAIRO_STATUS_NO_MEMORY)
                outOfMemory();
            if (!drawn)
                invalidPicture();
        }
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
    if (file.size() > largestFile)
        invalidPicture();
    // The text, and the copy of it the renderer reads, both held while the document is parsed.
    const SvgDocument document(wholeFile(file, claim, file.size()));
    claim.budget().refuseIfTooLarge(document.size(), claim.bytes());
    const Handle handle = parsed(document.standalone());

    DecodedPicture decoded;
    decoded.image = claim.rgb32(document.size().width(), document.size().height());
    decoded.image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    decoded.image.fill(Qt::transparent);
    draw(handle.get(), decoded.image);
    // An opaque drawing's pixels are as they are premultiplied, with nothing to lay on white.
    if (opaque(decoded.image)) {
        decoded.image.reinterpretAsFormat(QImage::Format_RGB32);
        return decoded;
    }
    // Straight alpha, laid on white after the colour stage.
    decoded.image.reinterpretAsFormat(QImage::Format_ARGB32);
    makeStraight(decoded.image);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::SvgReader)
