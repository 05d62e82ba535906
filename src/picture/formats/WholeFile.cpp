#include "picture/formats/WholeFile.h"

#include "picture/PictureFailures.h"

namespace picture {

QByteArray wholeFile(QIODevice& file, LoadBudget::Claim& claim, qint64 alongside) {
    const qint64 size = file.size();
    claim.grow(size + alongside);
    QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        invalidPicture();
    return bytes;
}

// Judged against the file's size first, so that a count a damaged header gives allocates nothing.
QByteArray readExactly(QIODevice& file, qint64 count) {
    if (count < 0 || count > file.size() - file.pos())
        invalidPicture();
    QByteArray bytes = file.read(count);
    if (bytes.size() != count)
        invalidPicture();
    return bytes;
}

} // namespace picture
