#include "picture/PictureLoader.h"

#include "desktop/Files.h"
#include "picture/ColourStage.h"
#include "picture/Orientation.h"
#include "picture/PictureFailures.h"
#include "picture/formats/BmpDecoder.h"
#include "picture/formats/GifDecoder.h"
#include "picture/formats/JpegDecoder.h"
#include "picture/formats/PngDecoder.h"
#include "picture/formats/ToolkitDecoder.h"

#include <QFile>

namespace picture {

namespace {

void open(QFile& file) {
    desktop::openRegularFile(file, desktop::accessError);
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

PictureLoader::PictureLoader(Needs needs) : needs_(needs) {
    ToolkitDecoder::allowFor(needs_.budget);
}

QImage PictureLoader::load(const QString& path) const {
    QFile file(path);
    open(file);
    LoadBudget::Claim claim = needs_.budget.claim();
    DecodedPicture decoded = decoderFor(file)(file, claim);
    needs_.screen.convert(decoded);
    // A quarter turn makes a turned copy beside the decoded pixels; mirroring works in place.
    if (decoded.orientation >= 5)
        claim.grow(decoded.image.sizeInBytes());
    Orientation::apply(decoded);
    return std::move(decoded.image);
}

} // namespace picture
