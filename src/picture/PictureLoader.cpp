#include "picture/PictureLoader.h"

#include "desktop/Failure.h"
#include "picture/ColourStage.h"
#include "picture/Orientation.h"
#include "picture/PictureFailures.h"
#include "picture/colour/OverWhite.h"
#include "picture/formats/BmpDecoder.h"
#include "picture/formats/GifDecoder.h"
#include "picture/formats/JpegDecoder.h"
#include "picture/formats/PngDecoder.h"
#include "picture/formats/ToolkitDecoder.h"

#include <QFile>
#include <QFileInfo>

namespace picture {

namespace {

[[noreturn]] void fail(const char* description) {
    throw desktop::Failure(QString::fromLatin1(description));
}

void open(QFile& file) {
    const QFileInfo info(file.fileName());
    if (file.fileName().isEmpty() || !info.exists())
        fail("File not found");
    // Only regular files: a device or pipe could feed bytes without end.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        fail("Path/File access error");
    if (file.size() == 0)
        invalidPicture();
}

using Decoder = DecodedPicture (*)(QIODevice&, LoadBudget::Claim&);

// Formats with a library of their own are known by their signatures; the toolkit judges the rest.
Decoder decoderFor(QFile& file) {
    const QByteArray start = file.peek(8);
    if (start.startsWith("\xFF\xD8"))
        return &JpegDecoder::decode;
    if (start.startsWith("\x89PNG\r\n\x1A\n"))
        return &PngDecoder::decode;
    if (start.startsWith("GIF87a") || start.startsWith("GIF89a"))
        return &GifDecoder::decode;
    if (start.startsWith("BM"))
        return &BmpDecoder::decode;
    return &ToolkitDecoder::decode;
}

} // namespace

QImage PictureLoader::load(const QString& path) {
    return load(path, LoadBudget::shared());
}

QImage PictureLoader::load(const QString& path, LoadBudget& budget) {
    QFile file(path);
    open(file);
    LoadBudget::Claim claim = budget.claim();
    DecodedPicture decoded = decoderFor(file)(file, claim);
    ColourStage::toScreen(decoded);
    OverWhite::lay(decoded.image, claim);
    // A quarter turn makes a turned copy beside the decoded pixels; mirroring works in place.
    if (decoded.orientation >= 5)
        claim.grow(decoded.image.sizeInBytes());
    Orientation::apply(decoded);
    return std::move(decoded.image);
}

qint64 PictureLoader::memoryLimit() {
    return LoadBudget::shared().total();
}

} // namespace picture
