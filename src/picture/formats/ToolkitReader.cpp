#include "picture/formats/ToolkitReader.h"

#include "picture/PictureFailures.h"
#include "picture/PictureIntegrity.h"
#include "picture/formats/NetpbmStructure.h"
#include "picture/formats/WholeFile.h"
#include "picture/formats/XbmStructure.h"
#include "picture/formats/XpmStructure.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

#include <algorithm>
#include <limits>

namespace picture {

namespace {

constexpr qint64 megabyte = 1024 * 1024;

// The most bytes per pixel the toolkit's reader may take before the picture becomes 32-bit RGB: one for
// bitmaps (a bit, rounded up), 16-bit grey or 64-bit colour where samples may be wider than a byte.
qint64 readerBytesPerPixel(const QByteArray& format) {
    if (format == "pbm" || format == "xbm")
        return 1;
    if (format == "pgm")
        return 2;
    return 8;
}

// 32-bit RGB, or with straight alpha where the picture has transparency, for the colour stage.
void toEightBits(QImage& image) {
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    if (image.isNull())
        outOfMemory();
}

// The toolkit's name for the format of bytes, by their content alone; empty when none of its readers
// takes them. An X bitmap cut short is not recognised by the toolkit, but is known by its opening
// definition.
QByteArray formatOf(const QByteArray& bytes) {
    if (bytes.startsWith("#define"))
        return "xbm";
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).format();
}

// What a walk over the structure of a format we walk finds; other formats are left to the toolkit's
// reader, which does report their errors.
PictureIntegrity integrityOf(QByteArrayView bytes, const QByteArray& format) {
    if (format == "pbm" || format == "pgm" || format == "ppm")
        return NetpbmStructure::inspect(bytes);
    if (format == "xbm")
        return XbmStructure::inspect(bytes);
    if (format == "xpm")
        return XpmStructure::inspect(bytes);
    return PictureIntegrity::whole({});
}

} // namespace

bool ToolkitReader::recognises(QIODevice& file) {
    return !formatOf(file.peek(64 * 1024)).isEmpty();
}

// Without a limit of its own the toolkit refuses anything over 128 MB decoded, a mere 33 megapixels. No
// lower limit is needed to hold a load to a smaller budget: it claims the reader's bytes from the header
// before the reader allocates them.
void ToolkitReader::allowFor(const LoadBudget& budget) {
    const int limit = int(std::min<qint64>(budget.total() / megabyte, std::numeric_limits<int>::max()));
    const int current = QImageReader::allocationLimit();
    if (current != 0 && current < limit)
        QImageReader::setAllocationLimit(limit);
}

DecodedPicture ToolkitReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const LoadBudget& budget = claim.budget();
    const QByteArray bytes = wholeFile(file, claim);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);

    const QByteArray format = formatOf(bytes);
    if (format.isEmpty())
        unsupportedFormat();
    QImageReader reader(&buffer, format);
    // Pixels as stored, at their natural size, so the decoded size can be held against the header.
    reader.setAutoTransform(false);

    const PictureIntegrity integrity = integrityOf(bytes, format);
    QSize declared = integrity.declaredSize();
    if (declared.isEmpty() && integrity.isWhole())
        declared = reader.size();
    if (!declared.isEmpty())
        budget.refuseIfTooLarge(declared, claim.bytes());
    if (!integrity.isWhole())
        invalidPicture();

    // The final pixels and what the reader needs beside them when it cannot write those directly, in one
    // step.
    const qint64 pixels = qint64(declared.width()) * declared.height();
    claim.grow(pixels * (4 + readerBytesPerPixel(format)));
    DecodedPicture decoded;
    if (!reader.read(&decoded.image) || (!declared.isEmpty() && decoded.image.size() != declared))
        invalidPicture();
    decoded.colour.iccProfile = decoded.image.colorSpace().iccProfile();
    toEightBits(decoded.image);
    return decoded;
}

} // namespace picture
