#include "picture/PictureFailures.h"

#include "desktop/Failure.h"

namespace picture {

void invalidPicture() {
    throw desktop::Failure(QStringLiteral("Invalid picture"));
}

void outOfMemory() {
    throw desktop::Failure(QStringLiteral("Out of memory"));
}

void unsupportedFormat() {
    throw desktop::Failure(QStringLiteral("Unsupported picture format"));
}

} // namespace picture
