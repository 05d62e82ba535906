#include "support/JpegWriter.h"

#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace test {

namespace {

std::vector<jpeg_scan_info> progressiveScript(int refinementBits) {
    std::vector<jpeg_scan_info> scans;
    for (int first = 0; first < DCTSIZE2; ++first) {
        scans.push_back({1, {0, 0, 0, 0}, first, first, 0, refinementBits});
        for (int bit = refinementBits; bit > 0; --bit)
            scans.push_back({1, {0, 0, 0, 0}, first, first, bit, bit - 1});
    }
    return scans;
}

} // namespace

QByteArray writeJpeg(const QImage& picture, const JpegShape& shape) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    const bool grey = shape.progressiveRefinementBits >= 0;
    info.input_components = grey ? 1 : 4;
    info.in_color_space = grey ? JCS_GRAYSCALE : shape.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    info.restart_interval = unsigned(shape.restartInterval);
    std::vector<jpeg_scan_info> scans;
    if (grey) {
        scans = progressiveScript(shape.progressiveRefinementBits);
        info.scan_info = scans.data();
        info.num_scans = int(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    if (!shape.exif.isEmpty()) {
        const QByteArray segment = QByteArray("Exif\0\0", 6) + shape.exif;
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(segment.data()),
                          unsigned(segment.size()));
    }
    if (!shape.iccProfile.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(shape.iccProfile.data()),
                               unsigned(shape.iccProfile.size()));
    const QImage rgb = picture.convertToFormat(shape.cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::vector<JSAMPLE> row(size_t(picture.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const uchar* source = rgb.constScanLine(int(info.next_scanline));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = reinterpret_cast<const QRgb*>(source)[x];
            if (grey)
                row[size_t(x)] = JSAMPLE(qRed(pixel));
            else if (shape.cmyk)
                for (const auto& [c, value] : {std::pair{0, qRed(pixel)}, std::pair{1, qGreen(pixel)},
                                               std::pair{2, qBlue(pixel)}, std::pair{3, qAlpha(pixel)}})
                    row[size_t(x) * 4 + size_t(c)] = JSAMPLE(255 - value);
            else
                std::copy(source + x * 4, source + x * 4 + 4, row.begin() + x * 4);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

QByteArray exifOrientation(int orientation, bool bigEndian) {
    QByteArray tiff(8 + 2 + 12 + 4, '\0');
    char* at = tiff.data();
    const auto put16 = [&](int offset, quint16 value) {
        bigEndian ? qToBigEndian(value, at + offset) : qToLittleEndian(value, at + offset);
    };
    const auto put32 = [&](int offset, quint32 value) {
        bigEndian ? qToBigEndian(value, at + offset) : qToLittleEndian(value, at + offset);
    };
    tiff[0] = tiff[1] = bigEndian ? 'M' : 'I';
    put16(2, 42);
    put32(4, 8);      // the first directory follows the header
    put16(8, 1);      // one entry
    put16(10, 0x112); // orientation
    put16(12, 3);     // a short
    put32(14, 1);
    put16(18, quint16(orientation));
    return tiff;
}

} // namespace test
