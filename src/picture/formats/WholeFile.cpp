#include "picture/formats/WholeFile.h"

#include "picture/PictureFailures.h"

namespace picture {

QByteArray wholeFile(QIODevice& file, LoadBudget::Claim& claim) {
    const qint64 size = file.size();
    claim.grow(size);
    QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        invalidPicture();
    return bytes;
}

} // namespace picture
