#include "picture/PictureLoader.h"

#include "desktop/Failure.h"
#include "desktop/PhysicalMemory.h"
#include "picture/ColourStage.h"
#include "picture/Orientation.h"
#include "picture/PictureIntegrity.h"
#include "picture/formats/BmpDecoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <mutex>

namespace picture {

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 bytesPerPixel = 4; // every picture ends up as 32-bit RGB

[[noreturn]] void fail(const char* description) {
    throw desktop::Failure(QString::fromLatin1(description));
}

// Without a limit of its own the toolkit refuses anything over 128 MB decoded, a mere 33 megapixels.
void applyAllocationLimit() {
    static std::once_flag applied;
    std::call_once(applied,
                   [] { QImageReader::setAllocationLimit(int(PictureLoader::memoryLimit() / megabyte)); });
}

void open(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        fail("File not found");
    // Only regular files: a device or pipe could feed bytes without end.
    file.setFileName(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        fail("Path/File access error");
    if (file.size() == 0)
        fail("Invalid picture");
}

// The whole file, read once, then both checked and decoded from memory. Read rather than mapped: a file
// cut short by another program while mapped would bring the program down instead of failing the load.
QByteArray contents(QFile& file) {
    const qint64 size = file.size();
    if (size > PictureLoader::memoryLimit())
        fail("Out of memory");
    QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        fail("Path/File access error");
    return bytes;
}

// Refused from the header alone, before the reader tries to allocate the pixels.
void refuseIfTooLarge(QSize size) {
    if (qint64(size.width()) * size.height() > PictureLoader::memoryLimit() / bytesPerPixel)
        throw desktop::Failure(
            QStringLiteral("Picture too large: %1 x %2 pixels").arg(size.width()).arg(size.height()));
}

// Transparent parts are laid over white, in place; otherwise they would show whatever colour the file
// keeps under them.
void flattenToRgb32(QImage& image) {
    if (image.hasAlphaChannel()) {
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(image.rect(), Qt::white);
        painter.end();
        image.reinterpretAsFormat(QImage::Format_RGB32);
    } else if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
    }
    if (image.isNull())
        fail("Out of memory");
}

// EXIF's orientation numbers for the toolkit's transformations.
int exifOrientation(QImageIOHandler::Transformations transformation) {
    switch (transformation) {
    case QImageIOHandler::TransformationMirror:
        return 2;
    case QImageIOHandler::TransformationRotate180:
        return 3;
    case QImageIOHandler::TransformationFlip:
        return 4;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return 5;
    case QImageIOHandler::TransformationRotate90:
        return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return 7;
    case QImageIOHandler::TransformationRotate270:
        return 8;
    default:
        return 1;
    }
}

QImage onScreen(DecodedPicture decoded) {
    ColourStage::toScreen(decoded);
    Orientation::apply(decoded);
    return std::move(decoded.image);
}

} // namespace

QImage PictureLoader::load(const QString& path) {
    applyAllocationLimit();
    QFile file;
    open(path, file);
    // BMP rows are read from the file as they are decoded, never held whole.
    if (file.peek(2) == "BM")
        return onScreen(BmpDecoder::decode(file));
    const QByteArray bytes = contents(file);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);

    QImageReader reader(&buffer);
    // Pixels as stored, at their natural size, so the decoded size can be held against the header.
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        fail("Invalid picture");

    const PictureIntegrity integrity = PictureIntegrity::inspect(bytes, format);
    QSize declared = integrity.declaredSize();
    if (declared.isEmpty() && integrity.isWhole())
        declared = reader.size();
    if (!declared.isEmpty())
        refuseIfTooLarge(declared);
    if (!integrity.isWhole())
        fail("Invalid picture");

    DecodedPicture decoded;
    if (!reader.read(&decoded.image) || (!declared.isEmpty() && decoded.image.size() != declared))
        fail("Invalid picture");
    decoded.colour.iccProfile = decoded.image.colorSpace().iccProfile();
    decoded.orientation = exifOrientation(reader.transformation());
    flattenToRgb32(decoded.image);
    return onScreen(std::move(decoded));
}

qint64 PictureLoader::memoryLimit() {
    // A quarter of the machine leaves room for the second picture and everything else. The floor still
    // opens ordinary photos on a small machine; the ceiling keeps one picture's byte count within an int.
    static const qint64 limit =
        std::clamp(desktop::physicalMemory() / 4 / megabyte, qint64(256), qint64(2047)) * megabyte;
    return limit;
}

} // namespace picture
