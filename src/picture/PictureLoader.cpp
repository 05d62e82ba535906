#include "picture/PictureLoader.h"

#include "desktop/Files.h"
#include "picture/ColourStage.h"
#include "picture/FinalParts.h"
#include "picture/FormatModules.h"
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

// The reader the file's content names: one built in, or one from its format's module. Some cameras write
// bare sensor data, with no signature, that LibRaw knows by the file's size: what neither a signature nor
// the toolkit claims goes to LibRaw, which says "Unsupported picture format" if it does not know it either.
Reader readerFor(QFile& file, FormatModules& formats) {
    const Format format = FormatSignatures::recognise(file);
    if (format.builtIn == &ToolkitReader::decode && !ToolkitReader::recognises(file))
        return formats.reader(QString::fromLatin1(moduleName::raw));
    return format.builtIn ? format.builtIn : formats.reader(format.name);
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
    DecodedPicture decoded = readerFor(file, needs_.formats)(file, claim, parts);
    parts.finish(decoded);
    // A quarter turn makes a turned copy beside the decoded pixels; mirroring works in place.
    if (decoded.orientation >= 5)
        claim.grow(decoded.image.sizeInBytes());
    Orientation::apply(decoded);
    return std::move(decoded.image);
}

} // namespace picture
