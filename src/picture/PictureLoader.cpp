#include "picture/PictureLoader.h"

#include "desktop/Failure.h"
#include "desktop/PhysicalMemory.h"
#include "picture/PictureIntegrity.h"
#include "picture/formats/Bmp24Decoder.h"

#include <QBuffer>
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

// The whole file, read once, then both checked and decoded from memory. Read rather than mapped: a file
// cut short by another program while mapped would bring the program down instead of failing the load.
QByteArray contents(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        fail("File not found");
    // Only regular files: a device or pipe could feed bytes without end.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        fail("Path/File access error");
    const qint64 size = file.size();
    if (size == 0)
        fail("Invalid picture");
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

} // namespace

QImage PictureLoader::load(const QString& path) {
    applyAllocationLimit();
    const QByteArray bytes = contents(path);
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

    if (format == "bmp") {
        if (std::optional<QImage> image = Bmp24Decoder::decode(bytes)) {
            if (image->isNull())
                fail("Out of memory");
            return *std::move(image);
        }
    }
    QImage image;
    if (!reader.read(&image) || (!declared.isEmpty() && image.size() != declared))
        fail("Invalid picture");
    flattenToRgb32(image);
    return image;
}

qint64 PictureLoader::memoryLimit() {
    // A quarter of the machine leaves room for the second picture and everything else. The floor still
    // opens ordinary photos on a small machine; the ceiling keeps one picture's byte count within an int.
    static const qint64 limit =
        std::clamp(desktop::physicalMemory() / 4 / megabyte, qint64(256), qint64(2047)) * megabyte;
    return limit;
}

} // namespace picture
