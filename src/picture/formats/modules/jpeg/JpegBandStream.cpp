#include "picture/formats/modules/jpeg/JpegBandStream.h"

#include <algorithm>
#include <cstring>

namespace picture {

namespace {

constexpr quint8 firstRestart = 0xD0;

} // namespace

JpegBandStream::JpegBandStream(const QByteArray& file, const JpegBand& band)
    : file_(file), band_(band), piece_(pieceSize, Qt::Uninitialized) {}

QByteArrayView JpegBandStream::next() {
    if (at_ < 0) {
        at_ = band_.dataStart;
        return band_.header;
    }
    const qsizetype size = std::min(pieceSize, file_.size() - at_);
    if (size <= 0)
        return {};
    std::memcpy(piece_.data(), file_.constData() + at_, size_t(size));
    at_ += size;
    renumber(piece_.data(), size);
    return QByteArrayView(piece_).first(size);
}

// A marker's code may begin the next piece, after any number of 0xFF fill bytes.
void JpegBandStream::renumber(char* bytes, qsizetype size) {
    qsizetype i = 0;
    while (true) {
        if (!afterFF_) {
            const void* found = std::memchr(bytes + i, 0xFF, size_t(size - i));
            if (!found)
                return;
            i = static_cast<const char*>(found) - bytes + 1;
            afterFF_ = true;
        }
        while (i < size && quint8(bytes[i]) == 0xFF)
            ++i;
        if (i == size)
            return;
        afterFF_ = false;
        const quint8 code = quint8(bytes[i]);
        if (code >= firstRestart && code < firstRestart + 8)
            bytes[i] = char(firstRestart + ((code - firstRestart - band_.skippedIntervals) & 7));
        ++i;
    }
}

} // namespace picture
