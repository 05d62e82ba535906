#pragma once

#include <QSize>
#include <QString>

// The pictures the benchmark opens, made on first use in a temporary folder that lasts the run.
// Photo-like content (smooth light, hard-edged shapes and sensor noise) makes JPEG decoding cost what
// it costs on real photos.
class BenchPictures {
public:
    // A JPEG of quality 90 with 4:2:0 chroma, as cameras write them; variants differ in their content.
    static QString jpeg(QSize size, int variant = 0);
    // The photo (variant 0) as a JPEG of quality 95 with 4:2:0 chroma and a restart marker after every
    // row of MCUs, as some cameras write them.
    static QString restartJpeg(QSize size);
    // The same JPEG as variant 0 with an Adobe RGB (1998) profile embedded, as cameras set to it write.
    static QString adobeRgbJpeg(QSize size);
    // An uncompressed 24-bit BMP.
    static QString bmp(QSize size);
    // A 24-bit BMP of plain rows, written as it is made, however large.
    static QString plainBmp(QSize size);
    // A 16-bit grey PNG of a few shades, compressed as far as zlib goes: a small file of many pixels.
    static QString grey16Png(QSize size, int variant = 0);
    // A PNG of 8-bit RGB rows, not interlaced, smooth light with hard edges, written as it is made.
    static QString hugePng(QSize size);
    // A TIFF of deflated 256 x 256 tiles of 8-bit RGB, written as it is made.
    static QString tiledTiff(QSize size);
    // The file a format's own tool makes from the photo (variant 0) of that size, saved as PNG where the
    // command line says {photo}; the command line's last word names the file. Throws when the tool fails.
    static QString madeBy(const QString& commandLine, QSize size);
    // The photo (variant 0) in linear light, as an OpenEXR of half floats, ZIP-compressed.
    static QString exr(QSize size);
    // The photo as a camera's raw file: a DNG of 16-bit samples behind a colour filter array.
    static QString dng(QSize size);
    // The photo as a QOI, written by the format's reference encoder.
    static QString qoi(QSize size);
    // An SVG drawing of that size: gradients, translucent discs and thick curves over the whole canvas.
    static QString svg(QSize size);
    // Where the pictures live; children of the benchmark read them there too.
    static QString folder();
};
