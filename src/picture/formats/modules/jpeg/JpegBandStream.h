#pragma once

#include "picture/formats/modules/jpeg/JpegBands.h"

#include <QByteArray>
#include <QByteArrayView>

namespace picture {

// A band's bytes as its decoder reads them: the band's headers, then the file's entropy-coded data from
// the band's first interval on, its restart markers renumbered as if the scan began there, so that
// libjpeg finds each in its turn.
class JpegBandStream {
public:
    static constexpr qsizetype pieceSize = 64 * 1024;

    JpegBandStream(const QByteArray& file, const JpegBand& band);
    JpegBandStream(const JpegBandStream&) = delete;
    JpegBandStream& operator=(const JpegBandStream&) = delete;

    // The next piece, empty at the file's end.
    QByteArrayView next();

private:
    void renumber(char* bytes, qsizetype size);

    const QByteArray& file_;
    const JpegBand& band_;
    qsizetype at_ = -1; // before the headers are given
    bool afterFF_ = false;
    QByteArray piece_;
};

} // namespace picture
