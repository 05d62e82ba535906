#include "picture/PictureLoader.h"

#include "desktop/Files.h"
#include "picture/ColourStage.h"
#include "picture/FinalParts.h"
#include "picture/FormatReaders.h"
#include "picture/FormatSignatures.h"
#include "picture/ModuleNames.h"
#include "picture/Orientation.h"
#include "picture/PictureFailures.h"
#include "picture/formats/ToolkitReader.h"

#include <QFile>

namespace picture {

namespace {

void open(QFile& file) {
    desktop::openRegularFile(file, desktop::accessError);
    if (file.size() == 0)
        invalidPicture();
}

// Reads the file with the reader its content names: one built in, or its format's module's. Some cameras
// write bare sensor data, with no signature, that LibRaw knows by the file's size: what neither a signature
// nor the toolkit claims goes to LibRaw, which says "Unsupported picture format" if it does not know it
// either.
DecodedPicture read(QFile& file, FormatReaders& formats, LoadBudget::Claim& claim, Progress& progress) {
    const Format format = FormatSignatures::recognise(file);
    if (format.builtIn == &ToolkitReader::decode && !ToolkitReader::recognises(file))
        return formats.read(QString::fromLatin1(moduleName::raw), file, claim, progress);
    return format.builtIn ? format.builtIn(file, claim, progress)
                          : formats.read(format.name, file, claim, progress);
}

} // namespace

PictureLoader::PictureLoader(Needs needs) : needs_(needs) {
    ToolkitReader::allowFor(needs_.budget);
}

QImage PictureLoader::load(const QString& path, const LoadWatch* watch) const {
    QFile file(path);
    open(file);
    LoadBudget::Claim claim = needs_.budget.claim();
    FinalParts parts(needs_.screen, claim, watch);
    DecodedPicture decoded = read(file, needs_.formats, claim, parts);
    parts.finish(decoded);
    // A quarter turn makes a turned copy beside the decoded pixels; mirroring works in place.
    if (decoded.orientation >= 5)
        claim.grow(decoded.image.sizeInBytes());
    Orientation::apply(decoded);
    return std::move(decoded.image);
}

} // namespace picture
