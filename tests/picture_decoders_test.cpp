#include "support/DamagedPictures.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"

#include "picture/LoadBudget.h"
#include "picture/PictureLoader.h"
#include "picture/formats/JpegDecoder.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <thread>

using picture::LoadBudget;

// The decoders behind the loader: damage inside compressed data, bounded work, the shared memory budget
// and what the files say beside their pixels.
class PictureDecodersTest : public QObject {
    Q_OBJECT

private slots:
    void refusesDamageInsideTheData_data();
    void refusesDamageInsideTheData();
    void refusesHeadersBeyondTheBudget_data();
    void refusesHeadersBeyondTheBudget();
    void refusesHugeJpegFrameBeforeItsPixels();
    void boundsTheScansOfProgressiveJpeg();
    void decodesWideSamplesStraightIntoTheFinalPixels_data();
    void decodesWideSamplesStraightIntoTheFinalPixels();
    void laysTransparentGifPixelsOverWhite();
    void readsWhatJpegSaysBesideItsPixels();
    void opensWholeTextFormatsExactly();

private:
    QString write(const QString& name, const QByteArray& bytes) {
        return pictures::write(bytes, dir_.path(), name);
    }

    QTemporaryDir dir_;
};

namespace {

constexpr qint64 megabyte = 1024 * 1024;

// Smooth shading, which JPEG keeps close.
QImage shading(int width = 240, int height = 160) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) / 2 % 256));
    return image;
}

test::JpegShape progressive(int refinementBits) {
    test::JpegShape shape;
    shape.progressiveRefinementBits = refinementBits;
    return shape;
}

test::JpegShape adobeCmyk() {
    test::JpegShape shape;
    shape.cmyk = true;
    return shape;
}

// Puts a chunk right after a PNG's header chunk.
QByteArray withChunk(const QByteArray& png, const char* type, const QByteArray& data) {
    constexpr qsizetype afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + damaged::pngChunk(type, data) + png.mid(afterHeader);
}

QByteArray be16s(std::initializer_list<quint16> values) {
    QByteArray bytes;
    for (const quint16 value : values) {
        bytes += char(value >> 8);
        bytes += char(value & 0xFF);
    }
    return bytes;
}

} // namespace

void PictureDecodersTest::refusesDamageInsideTheData_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = pictures::encoded(shading(), "jpeg");
    QTest::newRow("jpeg with 24 scan bytes flipped")
        << "a.jpg" << damaged::jpegWithFlippedScanBytes(jpeg, 24);
    QTest::newRow("jpeg with a third of its scan zeroed")
        << "a.jpg" << damaged::jpegWithZeroedScanThird(jpeg);
    QTest::newRow("jpeg cut halfway with its end marker") << "a.jpg" << damaged::jpegCutWithEndMarker(jpeg);
    const QImage pattern = pictures::coordinates(64, 48);
    QTest::newRow("png with bytes after its zlib stream")
        << "a.png" << damaged::pngWithBytesAfterZlibStream(pictures::encoded(pattern, "png"), 4);
    QTest::newRow("gif whose LZW data stops at a third") << "a.gif" << damaged::gifWithShortLzw(pattern);

    const QByteArray pgm = damaged::plainNetpbm(pattern, false);
    const QByteArray ppm = damaged::plainNetpbm(pattern, true);
    QTest::newRow("plain pgm missing its last value") << "a.pgm" << pgm.left(pgm.lastIndexOf(' ') + 1);
    QTest::newRow("plain ppm missing its last value") << "a.ppm" << ppm.left(ppm.lastIndexOf(' ') + 1);
    QTest::newRow("plain ppm with a value over its maximum") << "a.ppm" << ppm.left(ppm.size() - 4) + "999\n";
    QTest::newRow("plain pbm missing its last digit") << "a.pbm" << QByteArray("P1\n3 2\n0 1 0\n1 1\n");
    QTest::newRow("binary ppm a byte short") << "a.ppm" << pictures::encoded(pattern, "ppm").chopped(1);
    const QByteArray bitmap = damaged::xbm(pattern);
    QTest::newRow("xbm cut at half") << "a.xbm" << bitmap.left(bitmap.size() / 2);
    QTest::newRow("xbm of 90 bytes claiming 20000 x 20000")
        << "a.xbm"
        << QByteArray(
               "#define b_width 20000\n#define b_height 20000\nstatic char b_bits[] = {\n0x00, 0x01 };\n");
}

void PictureDecodersTest::refusesDamageInsideTheData() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    LoadBudget budget(2047 * megabyte);
    QCOMPARE(failureOf([&] { picture::PictureLoader::load(write(name, bytes), budget); }), "Invalid picture");
    QCOMPARE(budget.held(), 0);
}

void PictureDecodersTest::refusesHeadersBeyondTheBudget_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ppm") << "a.ppm" << QByteArray("P6\n5000 4000\n255\n") + QByteArray(64, '\0');
    QTest::newRow("pgm") << "a.pgm" << QByteArray("P5 5000 4000 255 ") + QByteArray(64, '\0');
    QTest::newRow("pbm") << "a.pbm" << QByteArray("P4\n5000 4000\n") + QByteArray(64, '\0');
    QTest::newRow("plain ppm") << "a.ppm" << QByteArray("P3\n# made by hand\n5000 4000\n255\n1 2 3\n");
    QTest::newRow("xbm") << "a.xbm"
                         << QByteArray(
                                "#define b_width 5000\n#define b_height 4000\nstatic char b_bits[] = {\n");
    QTest::newRow("xpm") << "a.xpm"
                         << QByteArray(
                                "/* XPM */\nstatic char* p[] = {\n\"5000 4000 1 1\",\n\". c #FF0000\",\n");
    QTest::newRow("png") << "a.png" << pictures::encoded(pictures::coordinates(8, 8), "png").left(33);
    QTest::newRow("gif") << "a.gif" << pictures::encoded(pictures::coordinates(8, 8), "gif").left(13);
    QTest::newRow("jpeg cut inside its header")
        << "a.jpg" << damaged::jpegClaiming(pictures::encoded(shading(), "jpeg"), 5000, 4000).left(200);
}

void PictureDecodersTest::refusesHeadersBeyondTheBudget() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    // 80 MB of pixels: over a budget of 64 MB. PNG and GIF headers are patched to the same size.
    if (name.endsWith(".png")) {
        qToBigEndian(quint32(5000), bytes.data() + 16);
        qToBigEndian(quint32(4000), bytes.data() + 20);
        const QByteArray header = bytes.mid(12, 17);
        qToBigEndian(damaged::pngCrc(header), bytes.data() + 29);
    } else if (name.endsWith(".gif")) {
        qToLittleEndian(quint16(5000), bytes.data() + 6);
        qToLittleEndian(quint16(4000), bytes.data() + 8);
    }
    LoadBudget budget(64 * megabyte);
    QCOMPARE(failureOf([&] { picture::PictureLoader::load(write(name, bytes), budget); }),
             "Picture too large: 5000 x 4000 pixels");
    QCOMPARE_LT(budget.peak(), megabyte);
}

void PictureDecodersTest::refusesHugeJpegFrameBeforeItsPixels() {
    // Within the budget, but far too short for 23000 x 23000 pixels: refused before they are allocated.
    const QByteArray bytes = damaged::jpegClaiming(pictures::encoded(shading(), "jpeg"), 23000, 23000);
    LoadBudget budget(2047 * megabyte);
    QCOMPARE(failureOf([&] { picture::PictureLoader::load(write("huge.jpg", bytes), budget); }),
             "Invalid picture");
    QCOMPARE_LT(budget.peak(), megabyte);
}

void PictureDecodersTest::boundsTheScansOfProgressiveJpeg() {
    QImage grey(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.setPixel(x, y, qRgb(x * 3, x * 3, x * 3));
    LoadBudget budget(256 * megabyte);
    // 64 scans, as many as a file needs to send each coefficient apart: read in full.
    const QImage loaded =
        picture::PictureLoader::load(write("p.jpg", test::writeJpeg(grey, progressive(0))), budget);
    QCOMPARE(loaded.size(), grey.size());
    QCOMPARE_GE(budget.peak(), 64 * 40 * 4 + 8 * 5 * 64 * 2); // the coefficients kept between scans count
    for (const QPoint at : {QPoint(0, 0), QPoint(33, 20), QPoint(63, 39)})
        QCOMPARE_LE(qAbs(qRed(loaded.pixel(at)) - qRed(grey.pixel(at))), 3);
    // 192 valid scans: more than any encoder makes, and refused.
    QCOMPARE(failureOf([&] {
                 picture::PictureLoader::load(write("p.jpg", test::writeJpeg(grey, progressive(2))), budget);
             }),
             "Invalid picture");
}

void PictureDecodersTest::decodesWideSamplesStraightIntoTheFinalPixels_data() {
    QTest::addColumn<bool>("colour");
    QTest::newRow("16-bit grey") << false;
    QTest::newRow("16-bit colour with a transparent colour") << true;
}

void PictureDecodersTest::decodesWideSamplesStraightIntoTheFinalPixels() {
    QFETCH(bool, colour);
    constexpr int width = 1200;
    constexpr int height = 1000;
    constexpr quint16 see = 0x1234;
    QImage wide(width, height, colour ? QImage::Format_RGBX64 : QImage::Format_Grayscale16);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint16*>(wide.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint16 v = quint16(x * 53 + y * 7);
            if (colour) {
                const bool hole = (x + y) % 5 == 0;
                row[x * 4] = hole ? see : v;
                row[x * 4 + 1] = hole ? see : quint16(v ^ 0x5555);
                row[x * 4 + 2] = hole ? see : quint16(65535 - v);
                row[x * 4 + 3] = 65535;
            } else {
                row[x] = v;
            }
        }
    }
    QByteArray png = pictures::encoded(wide, "png");
    QCOMPARE(int(png[24]), 16);
    if (colour) {
        QCOMPARE(int(png[25]), 2); // RGB without alpha: the transparent colour comes from tRNS
        png = withChunk(png, "tRNS", be16s({see, see, see}));
    }
    const auto eight = [](quint16 v) { return (v * 255 + 32767) / 65535; };

    LoadBudget budget(256 * megabyte);
    const PeakMemoryWatch memory;
    const QImage loaded = picture::PictureLoader::load(write("wide.png", png), budget);
    const qint64 pixelBytes = qint64(width) * height * 4;
    QCOMPARE_LT(memory.growth(), pixelBytes * 5 / 4);
    QCOMPARE_LT(budget.peak(), pixelBytes + megabyte);
    QCOMPARE_GE(budget.peak(), pixelBytes + width * 8); // libpng's rows count
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const quint16*>(wide.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb expected =
                !colour ? qRgb(eight(source[x]), eight(source[x]), eight(source[x]))
                : source[x * 4] == see && source[x * 4 + 1] == see && source[x * 4 + 2] == see
                    ? qRgb(255, 255, 255)
                    : qRgb(eight(source[x * 4]), eight(source[x * 4 + 1]), eight(source[x * 4 + 2]));
            if (loaded.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2 is %3, not %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(loaded.pixel(x, y), 8, 16)
                                     .arg(expected, 8, 16)));
        }
    }
}

void PictureDecodersTest::laysTransparentGifPixelsOverWhite() {
    // The encoder's frame, behind a graphic control extension naming index 0 transparent, on a logical
    // screen larger than the frame.
    const QImage pattern = pictures::coordinates(16, 16);
    QByteArray gif = pictures::encoded(pattern, "gif");
    const qsizetype frame = 13 + 3 * 256;
    gif.insert(frame, QByteArray("\x21\xF9\x04\x01\0\0\0\0", 8));
    qToLittleEndian(quint16(20), gif.data() + 6);
    LoadBudget budget(256 * megabyte);
    const QImage loaded = picture::PictureLoader::load(write("t.gif", gif), budget);
    QCOMPARE(loaded.size(), QSize(20, 16));
    const QImage indexed = pattern.convertToFormat(QImage::Format_Indexed8);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 20; ++x) {
            const QRgb expected =
                x >= 16 || indexed.pixelIndex(x, y) == 0 ? qRgb(255, 255, 255) : pattern.pixel(x, y);
            QCOMPARE(loaded.pixel(x, y), expected);
        }
    }
}

void PictureDecodersTest::readsWhatJpegSaysBesideItsPixels() {
    // A profile too long for one segment is split across several and put back together.
    QByteArray profile(150000, '\0');
    for (qsizetype i = 0; i < profile.size(); ++i)
        profile[i] = char(i * 7 / 3);
    for (const auto& [orientation, bigEndian] : {std::pair{6, false}, std::pair{8, true}}) {
        const QByteArray bytes = test::writeJpeg(
            shading(48, 32), {.iccProfile = profile, .exif = test::exifOrientation(orientation, bigEndian)});
        QBuffer file;
        file.setData(bytes);
        file.open(QIODevice::ReadOnly);
        LoadBudget budget(64 * megabyte);
        LoadBudget::Claim claim = budget.claim();
        const picture::DecodedPicture decoded = picture::JpegDecoder::decode(file, claim);
        QCOMPARE(decoded.orientation, orientation);
        QCOMPARE(decoded.colour.iccProfile, profile);
        QVERIFY(!decoded.cmyk);
    }

    // Adobe's CMYK, inverted in the file, comes out as ink: 0 for none.
    QImage inks(24, 16, QImage::Format_ARGB32);
    inks.fill(qRgba(10, 200, 0, 90));
    QBuffer file;
    file.setData(test::writeJpeg(inks, adobeCmyk()));
    file.open(QIODevice::ReadOnly);
    LoadBudget budget(64 * megabyte);
    LoadBudget::Claim claim = budget.claim();
    const picture::DecodedPicture decoded = picture::JpegDecoder::decode(file, claim);
    QVERIFY(decoded.cmyk);
    const uchar* pixel = decoded.image.constScanLine(8) + 12 * 4;
    QCOMPARE_LE(qAbs(pixel[0] - 10), 2);
    QCOMPARE_LE(qAbs(pixel[1] - 200), 2);
    QCOMPARE_LE(pixel[2], 2);
    QCOMPARE_LE(qAbs(pixel[3] - 90), 2);
}

void PictureDecodersTest::opensWholeTextFormatsExactly() {
    QImage pattern(21, 9, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, (x * y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    LoadBudget budget(64 * megabyte);
    QCOMPARE(picture::PictureLoader::load(write("w.pgm", damaged::plainNetpbm(pattern, false)), budget),
             pattern);
    QCOMPARE(picture::PictureLoader::load(write("w.ppm", damaged::plainNetpbm(pattern, true)), budget),
             pattern);
    QCOMPARE(picture::PictureLoader::load(write("w.xbm", damaged::xbm(pattern)), budget), pattern);
}

QTEST_MAIN(PictureDecodersTest)
#include "picture_decoders_test.moc"
