// Writes the seed corpora of the fuzz targets: small pictures in every shape the loader and each decoder
// meet, cursor files of every bit depth the reader takes, and style sheets. Usage: make_seeds <folder>
#include "CursorWriter.h"
#include "support/BmpFile.h"
#include "support/DngFile.h"
#include "support/ExrWriter.h"
#include "support/GifEncoder.h"
#include "support/JpegWriter.h"
#include "support/TestProfiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>
#include <QtEndian>

namespace {

QString out;

bool put(const QString& corpus, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(out + '/' + corpus);
    QFile file(out + '/' + corpus + '/' + name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 10, y * 15, (x + y) * 5, x < 4 ? 128 : 255));
    return image;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

void appendLe16(QByteArray& bytes, quint16 value) {
    bytes.append(char(value & 0xff));
    bytes.append(char(value >> 8));
}

void appendLe32(QByteArray& bytes, quint32 value) {
    appendLe16(bytes, quint16(value & 0xffff));
    appendLe16(bytes, quint16(value >> 16));
}

// A run-length BMP, a shape the toolkit reads but does not write: one run per row.
QByteArray runLengthBmp() {
    constexpr int width = 12;
    constexpr int height = 4;
    QByteArray runs;
    for (int y = 0; y < height; ++y)
        runs += QByteArray(1, char(width)) + QByteArray(1, char(y)) + QByteArray(2, '\0');
    runs += QByteArray("\0\1", 2);
    const quint32 offset = 14 + 40 + 4 * height;
    QByteArray bmp("BM");
    for (quint32 v : {offset + quint32(runs.size()), 0u, offset, 40u, quint32(width), quint32(height)})
        appendLe32(bmp, v);
    appendLe16(bmp, 1);
    appendLe16(bmp, 8);
    for (quint32 v : {1u, quint32(runs.size()), 0u, 0u, quint32(height), 0u})
        appendLe32(bmp, v);
    for (int y = 0; y < height; ++y)
        appendLe32(bmp, quint32(y * 0x403020));
    return bmp + runs;
}

// Each decoder's own fuzz target starts from the seeds of its format.
QString decoderCorpus(const char* name) {
    const QByteArray suffix = QByteArray(name).sliced(QByteArray(name).lastIndexOf('.') + 1);
    if (suffix == "jpg")
        return QStringLiteral("jpeg_reader");
    if (suffix == "png")
        return QStringLiteral("png_reader");
    if (suffix == "gif")
        return QStringLiteral("gif_reader");
    if (suffix == "ppm" || suffix == "pgm" || suffix == "xbm" || suffix == "xpm")
        return QStringLiteral("text_picture");
    if (suffix == "dng")
        return QStringLiteral("raw_reader");
    if (suffix == "svg")
        return QStringLiteral("svg_reader");
    return QStringLiteral("other");
}

bool writePictures() {
    const QImage image = pattern(24, 16);
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    test::JpegShape progressiveGrey;
    progressiveGrey.progressiveRefinementBits = 1;
    test::JpegShape cmyk;
    cmyk.cmyk = true;
    test::JpegShape described;
    described.exif = test::exifOrientation(6, true);
    described.iccProfile = QByteArray(300, 'p');
    const QByteArray plainGrey("P2\n3 2\n255\n0 128 255\n1 2 3\n");
    dng::Mosaic mosaic{
        .width = 24, .height = 16, .levels = {}, .asShotNeutral = {0.5, 1, 0.8}, .orientation = 6};
    for (int y = 0; y < mosaic.height; ++y)
        for (int x = 0; x < mosaic.width; ++x)
            mosaic.levels.append({qRed(image.pixel(x, y)) / 255.0, qGreen(image.pixel(x, y)) / 255.0,
                                  qBlue(image.pixel(x, y)) / 255.0});
    const QByteArray drawing(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [ <!ENTITY ink \"#0000ff\"> ]>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "width=\"2cm\" viewBox=\"0 0 24 16\"><rect width=\"12\" height=\"8\" fill=\"&ink;\"/>"
        "<circle cx=\"16\" cy=\"8\" r=\"6\" fill-opacity=\"0.5\"/><use xlink:href=\"#a\"/></svg>");
    struct Seed {
        const char* name;
        QByteArray bytes;
    };
    const Seed seeds[] = {
        {"baseline.jpg", encoded(opaque, "jpeg")},
        {"progressive.jpg", encoded(opaque, "jpeg", true)},
        {"grey.jpg", encoded(opaque.convertToFormat(QImage::Format_Grayscale8), "jpeg")},
        {"24.bmp", encoded(opaque, "bmp")},
        {"32.bmp", encoded(image, "bmp")},
        {"8.bmp", encoded(opaque.convertToFormat(QImage::Format_Indexed8), "bmp")},
        {"1.bmp", encoded(opaque.convertToFormat(QImage::Format_Mono), "bmp")},
        {"rle8.bmp", runLengthBmp()},
        {"alpha.png", encoded(image, "png")},
        {"indexed.png", encoded(opaque.convertToFormat(QImage::Format_Indexed8), "png")},
        {"grey16.png", encoded(opaque.convertToFormat(QImage::Format_Grayscale16), "png")},
        {"a.gif", test::encodeGif(opaque)},
        {"a.ico", encoded(image, "ico")},
        {"a.ppm", encoded(opaque, "ppm")},
        {"a.xpm", encoded(opaque.convertToFormat(QImage::Format_Indexed8), "xpm")},
        {"a.xbm", encoded(opaque.convertToFormat(QImage::Format_Mono), "xbm")},
        {"scans.jpg", test::writeJpeg(opaque, progressiveGrey)},
        {"cmyk.jpg", test::writeJpeg(image, cmyk)},
        {"exif.jpg", test::writeJpeg(opaque, described)},
        {"rgb16.png", encoded(opaque.convertToFormat(QImage::Format_RGBX64), "png")},
        {"plain.pgm", plainGrey},
        {"bayer.dng", dng::write(mosaic)},
        {"units.svg", drawing},
    };
    for (const Seed& seed : seeds) {
        if (seed.bytes.isEmpty() ||
            !put(QStringLiteral("picture_loader"), QString::fromLatin1(seed.name), seed.bytes) ||
            !put(decoderCorpus(seed.name), QString::fromLatin1(seed.name), seed.bytes))
            return false;
        if (!put(QStringLiteral("picture_loader"), QStringLiteral("cut-") + seed.name,
                 seed.bytes.left(seed.bytes.size() / 2)))
            return false;
    }
    return true;
}

// BMPs in the layouts the decoder reads: each header kind, palettes, bit fields, alpha, runs, a profile.
bool writeBmps() {
    using test::BmpFile;
    using test::packRows;
    const QString corpus = QStringLiteral("bmp_reader");
    const QList<QList<quint32>> rows{{0, 1, 2, 3, 1}, {3, 2, 1, 0, 2}, {1, 1, 0, 0, 3}};
    const QList<QRgb> palette{0xff102030, 0xff405060, 0xff708090, 0xffa0b0c0};
    QList<QPair<QString, BmpFile>> files;
    for (int bits : {1, 2, 4, 8})
        files.append(
            {QStringLiteral("%1.bmp").arg(bits), BmpFile{.width = 5,
                                                         .height = 3,
                                                         .bitCount = bits,
                                                         .palette = palette.mid(0, 1 << std::min(bits, 2)),
                                                         .pixels = packRows(rows, bits)}});
    files.append({QStringLiteral("os2.bmp"), BmpFile{.infoSize = 12,
                                                     .width = 5,
                                                     .height = 3,
                                                     .bitCount = 8,
                                                     .palette = palette,
                                                     .pixels = packRows(rows, 8)}});
    files.append({QStringLiteral("os2v2.bmp"), BmpFile{.infoSize = 64,
                                                       .width = 5,
                                                       .height = -3,
                                                       .bitCount = 4,
                                                       .palette = palette,
                                                       .pixels = packRows(rows, 4)}});
    files.append({QStringLiteral("565.bmp"), BmpFile{.infoSize = 40,
                                                     .width = 5,
                                                     .height = 3,
                                                     .bitCount = 16,
                                                     .compression = 3,
                                                     .masks = {0xf800, 0x07e0, 0x001f, 0},
                                                     .pixels = packRows(rows, 16)}});
    files.append({QStringLiteral("10-10-10-2.bmp"),
                  BmpFile{.infoSize = 56,
                          .width = 5,
                          .height = 3,
                          .bitCount = 32,
                          .compression = 3,
                          .masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000},
                          .pixels = packRows({{0xffffffff, 0x40000000, 1, 2, 3}}, 32).repeated(3)}});
    files.append({QStringLiteral("24-v5.bmp"), BmpFile{.infoSize = 124,
                                                       .width = 5,
                                                       .height = 3,
                                                       .bitCount = 24,
                                                       .pixels = packRows(rows, 24),
                                                       .profile = profiles::grey(1.0)}});
    files.append({QStringLiteral("rle8.bmp"),
                  BmpFile{.width = 7,
                          .height = 2,
                          .bitCount = 8,
                          .compression = 1,
                          .palette = palette,
                          .pixels = QByteArray("\x02\x01\x00\x03\x00\x02\x01\x00\x00\x00\x00\x02\x02\x00"
                                               "\x02\x02\x00\x01",
                                               18)}});
    files.append(
        {QStringLiteral("rle4.bmp"), BmpFile{.width = 7,
                                             .height = 1,
                                             .bitCount = 4,
                                             .compression = 2,
                                             .palette = palette,
                                             .pixels = QByteArray("\x03\x12\x00\x03\x01\x20\x00\x01", 8)}});
    for (const auto& [name, file] : files)
        if (!put(corpus, name, file.bytes()))
            return false;
    return true;
}

// Colour profiles behind the one byte that says RGB (0) or CMYK (1).
bool writeProfiles() {
    const QString corpus = QStringLiteral("colour_profile");
    const QByteArray rgb(1, '\0');
    return put(corpus, QStringLiteral("grey.icc"), rgb + profiles::grey(2.2)) &&
           put(corpus, QStringLiteral("cmyk.icc"), QByteArray(1, '\1') + profiles::cmykWithKnownRed()) &&
           put(corpus, QStringLiteral("adobe.icc"), rgb + QColorSpace(QColorSpace::AdobeRgb).iccProfile()) &&
           put(corpus, QStringLiteral("prophoto.icc"),
               rgb + QColorSpace(QColorSpace::ProPhotoRgb).iccProfile());
}

// A cursor's bitmap at 1, 4, 8 or 24 bits: header, palette, colour rows, then the mask rows.
QByteArray dib(int side, int bits) {
    const int colours = bits <= 8 ? 1 << bits : 0;
    const int stride = (side * bits + 31) / 32 * 4;
    const int maskStride = (side + 31) / 32 * 4;
    QByteArray bytes;
    for (quint32 v : {40u, quint32(side), quint32(side * 2)})
        appendLe32(bytes, v);
    appendLe16(bytes, 1);
    appendLe16(bytes, quint16(bits));
    for (quint32 v : {0u, 0u, 0u, 0u, quint32(colours), 0u})
        appendLe32(bytes, v);
    for (int i = 0; i < colours; ++i)
        appendLe32(bytes, quint32(i * 0x010305));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < stride; ++x)
            bytes.append(char(x * 17 + y));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < maskStride; ++x)
            bytes.append(char(y % 2 ? 0xF0 : 0x0F));
    return bytes;
}

QByteArray cursor(const QList<QPair<int, QByteArray>>& entries) {
    QByteArray bytes;
    appendLe16(bytes, 0);
    appendLe16(bytes, 2);
    appendLe16(bytes, quint16(entries.size()));
    quint32 offset = 6 + 16 * quint32(entries.size());
    for (const auto& [side, image] : entries) {
        bytes.append(char(side));
        bytes.append(char(side));
        appendLe16(bytes, 0);
        appendLe16(bytes, quint16(side / 3));
        appendLe16(bytes, quint16(side / 4));
        appendLe32(bytes, quint32(image.size()));
        appendLe32(bytes, offset);
        offset += quint32(image.size());
    }
    for (const auto& entry : entries)
        bytes += entry.second;
    return bytes;
}

bool writeCursors() {
    const QString corpus = QStringLiteral("cursor_file");
    bool written = put(corpus, QStringLiteral("32.cur"), cursorFileBytes(pattern(32, 32), QPoint(5, 2))) &&
                   put(corpus, QStringLiteral("png.cur"), cursor({{16, encoded(pattern(16, 16), "png")}})) &&
                   put(corpus, QStringLiteral("two.cur"), cursor({{16, dib(16, 4)}, {32, dib(32, 8)}}));
    for (int bits : {1, 4, 8, 24})
        written = written && put(corpus, QStringLiteral("%1.cur").arg(bits), cursor({{8, dib(8, bits)}}));
    return written;
}

bool writeStyleSheets(const QString& shippedSkin) {
    const QString corpus = QStringLiteral("style_sheet");
    QFile skin(shippedSkin);
    if (!skin.open(QIODevice::ReadOnly) || !put(corpus, QStringLiteral("o.cjs"), skin.readAll()))
        return false;
    const char* sheets[] = {
        "QPushButton { color: red; }",
        "/* a */ QLabel, QPushButton:hover { color: #123; } /* b */",
        "QFrame > QPushButton[text=\"a;{b},c}\"] { font-family: 'x;y}'; }",
        "QPushButton { background: qlineargradient(x1: 0, y1: 0, stop: 0 #fff, stop: 1 #000); }",
        ".QPushButton#name::indicator:checked, QWidget ~ QPushButton { border: 1px solid rgb(1, 2, 3); }",
        "QLabel {} QFrame { ; color: red;; -qt-background-role: window; }",
    };
    int n = 0;
    for (const char* sheet : sheets) {
        if (!put(corpus, QStringLiteral("%1.cjs").arg(++n), sheet))
            return false;
    }
    return true;
}

// OpenEXR, which no tool here writes: zip and plain, with primaries of their own and without.
bool writeExrs() {
    test::ExrShape shape(33, 21, [](int x, int y) {
        return test::LinearPixel{x / 8.0f, y / 16.0f, -0.25f, (x + y) % 3 / 2.0f};
    });
    if (!put("exr_reader", "zip.exr", test::writeExr(shape)))
        return false;
    shape.zip = false;
    shape.chromaticities = {{0.708f, 0.292f, 0.170f, 0.797f, 0.131f, 0.046f, 0.3457f, 0.3585f}};
    return put("exr_reader", "plain.exr", test::writeExr(shape));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: make_seeds <folder>\n";
        return 1;
    }
    out = QString::fromLocal8Bit(argv[1]);
    const QString skin = QStringLiteral(KESTRELLE_ROOT "/assets/skin/o.cjs");
    return writePictures() && writeCursors() && writeStyleSheets(skin) && writeBmps() && writeProfiles() &&
                   writeExrs()
               ? 0
               : 1;
}
