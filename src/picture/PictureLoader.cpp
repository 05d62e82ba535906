#include "picture/PictureLoader.h"

#include "desktop/Failure.h"
#include "picture/ColourStage.h"
#include "picture/FormatModules.h"
#include "picture/FormatSignatures.h"
#include "picture/Orientation.h"
#include "picture/PictureFailures.h"

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

// The reader the file's content names: one built in, or one from its format's module.
Decoder decoderFor(QFile& file, FormatModules& formats) {
    const Format format = FormatSignatures::recognise(file);
    return format.builtIn ? format.builtIn : formats.reader(format.name);
}

} // namespace

QImage PictureLoader::load(const QString& path, FormatModules& formats) {
    return load(path, LoadBudget::shared(), formats);
}

QImage PictureLoader::load(const QString& path, LoadBudget& budget, FormatModules& formats) {
    QFile file(path);
    open(file);
    LoadBudget::Claim claim = budget.claim();
    DecodedPicture decoded = decoderFor(file, formats)(file, claim);
    ColourStage::toScreen(decoded);
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
