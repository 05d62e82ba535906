#pragma once

#include <QByteArray>

#include <vector>

struct jpeg_decompress_struct;

namespace picture {

// A band of a sequential JPEG that a decoder of its own fills, beside the others, in the same picture.
// Its decode begins at a restart marker a restart interval above its rows, so that the rows it keeps
// have the chroma above them that the whole decode has, and the marker between two bands is read by
// the band below it.
struct JpegBand {
    int top = 0;     // the first row it fills
    int rows = 0;    // how many it fills
    int discard = 0; // rows its decode gives before `top`
    bool last = false;
    // The file's headers with the frame's height cut to the rows from the decode's first one down.
    QByteArray header;
    qsizetype dataStart = 0; // where that row's entropy-coded data begins in the file
    int skippedIntervals = 0;
};

// Where a sequential JPEG with restart markers can be cut into bands that decode exactly as the whole
// file does: at markers that begin a row of iMCUs.
class JpegBands {
public:
    // The picture rows between two restart markers, when every interval is whole rows of iMCUs of a
    // single sequential Huffman scan; 0 otherwise.
    static int intervalRows(const jpeg_decompress_struct& info);

    // Up to `count` bands of the file whose header `info` has read, its entropy-coded data beginning at
    // `dataStart`; none when a restart marker the bands begin at is missing or out of turn.
    static std::vector<JpegBand> cut(const jpeg_decompress_struct& info, const QByteArray& file,
                                     qsizetype dataStart, int count);
};

} // namespace picture
