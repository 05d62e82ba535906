#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// JPEG files the toolkit cannot write, made with libjpeg.
struct JpegShape {
    // For a progressive grey file: each coefficient in a scan of its own, first without its lowest
    // refinementBits bits, then one scan for each of those bits: 64 * (refinementBits + 1) scans.
    int progressiveRefinementBits = -1;
    // Written as CMYK with Adobe's inverted storage; the picture's red, green, blue and alpha bytes
    // give C, M, Y and K, 0 meaning no ink.
    bool cmyk = false;
    QByteArray iccProfile{};
    QByteArray exif{};       // the TIFF block of an APP1 "Exif" segment
    int restartInterval = 0; // MCUs between restart markers; none when 0
};

QByteArray writeJpeg(const QImage& picture, const JpegShape& shape = {});

// The TIFF block of an EXIF segment holding just an orientation, in Intel or Motorola byte order.
QByteArray exifOrientation(int orientation, bool bigEndian);

} // namespace test
