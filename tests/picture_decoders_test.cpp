#include "support/BuiltFormats.h"
#include "support/DamagedPictures.h"
#include "support/ExifJpeg.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/TestLoader.h"
#include "support/TestProfiles.h"
#include "support/ToolFolder.h"

#include "picture/LoadBudget.h"
#include "picture/formats/JpegDecoder.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <thread>
#include <utility>

#include <sys/resource.h>

using picture::LoadBudget;

// The decoders behind the loader: damage inside compressed data, bounded work, the shared memory budget
// and what the files say beside their pixels.
class PictureDecodersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void refusesDamageInsideTheData_data();
    void refusesDamageInsideTheData();
    void refusesHeadersBeyondTheBudget_data();
    void refusesHeadersBeyondTheBudget();
    void refusesHugeJpegFrameBeforeItsPixels();
    void reportsLibpngRunningOutOfMemory();
    void boundsTheScansOfProgressiveJpeg();
    void decodesWideSamplesStraightIntoTheFinalPixels_data();
    void decodesWideSamplesStraightIntoTheFinalPixels();
    void laysTransparentGifPixelsOverWhite();
    void readsWhatJpegSaysBesideItsPixels();
    void opensWholeTextFormatsExactly();
    void readsModuleFormatsAsTheirLibrariesDo_data();
    void readsModuleFormatsAsTheirLibrariesDo();
    void readsWhatModuleFormatsSayBesideTheirPixels();

private:
    QString write(const QString& name, const QByteArray& bytes) {
        return pictures::write(bytes, dir_.path(), name);
    }

    QTemporaryDir dir_;
    // The module formats' pictures, made by their libraries' tools from in.png, alpha.png and small.png.
    ToolFolder tools_;
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

// The process may map only `room` more bytes while this lives, so that a large allocation fails as it
// would on a machine without the memory.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(qint64 room) {
        getrlimit(RLIMIT_AS, &previous_);
        rlimit capped = previous_;
        capped.rlim_cur = std::min(previous_.rlim_cur, rlim_t(processMemory::mapped() + room));
        setrlimit(RLIMIT_AS, &capped);
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &previous_); }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit previous_{};
};

QByteArray be16s(std::initializer_list<quint16> values) {
    QByteArray bytes;
    for (const quint16 value : values) {
        bytes += char(value >> 8);
        bytes += char(value & 0xFF);
    }
    return bytes;
}

// A WebP or TIFF through its module's reader alone.
picture::DecodedPicture decodedByModule(const QString& module, const QByteArray& bytes) {
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    LoadBudget budget(64 * megabyte);
    LoadBudget::Claim claim = budget.claim();
    return builtFormats().reader(module)(file, claim);
}

// The same WebP with its RIFF and only chunk's sizes matching a cut that keeps two thirds.
QByteArray webpCutWithSizesMended(QByteArray webp) {
    webp.truncate(webp.size() * 2 / 3 & ~1);
    qToLittleEndian(quint32(webp.size() - 8), webp.data() + 4);
    qToLittleEndian(quint32(webp.size() - 20), webp.data() + 16);
    return webp;
}

// The same little-endian TIFF with 16 bytes inverted in the middle of the data before its directory.
QByteArray tiffWithFlippedData(QByteArray tiff) {
    const qsizetype middle = (8 + qFromLittleEndian<quint32>(tiff.constData() + 4)) / 2;
    for (qsizetype i = middle; i < middle + 16; ++i)
        tiff[i] = char(~tiff[i]);
    return tiff;
}

// The entry of a tag in a little-endian TIFF's first directory.
char* tiffEntry(QByteArray& tiff, quint16 tag) {
    const qsizetype directory = qFromLittleEndian<quint32>(tiff.constData() + 4);
    const int count = qFromLittleEndian<quint16>(tiff.constData() + directory);
    for (qsizetype entry = directory + 2; entry < directory + 2 + count * 12; entry += 12)
        if (qFromLittleEndian<quint16>(tiff.constData() + entry) == tag)
            return tiff.data() + entry;
    return nullptr;
}

// The TIFF with the tag of its directory's last entry, PrimaryChromaticities, made another.
QByteArray tiffWithLastTagAs(QByteArray tiff, quint16 tag) {
    qToLittleEndian(tag, tiffEntry(tiff, 319));
    return tiff;
}

// Flips the first 16 bytes of an ISO media file's coded data, its last box: the sizes of HEVC's units, the
// headers of AV1's.
QByteArray isoMediaWithFlippedData(QByteArray file) {
    const qsizetype data = file.lastIndexOf("mdat") + 4;
    for (qsizetype i = data; i < data + 16; ++i)
        file[i] = char(~file[i]);
    return file;
}

// The same file with every ispe box declaring another size.
QByteArray isoMediaClaiming(QByteArray file, quint32 width, quint32 height) {
    for (qsizetype at = file.indexOf("ispe"); at >= 0; at = file.indexOf("ispe", at + 1)) {
        qToBigEndian(width, file.data() + at + 8);
        qToBigEndian(height, file.data() + at + 12);
    }
    return file;
}

} // namespace

void PictureDecodersTest::initTestCase() {
    QImage translucent(97, 64, QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y, qRgba(x * 2, y * 3, 100, (x * 5 + y * 3) % 256));
    tools_.save(pictures::coordinates(97, 64), "in.png");
    tools_.save(translucent, "alpha.png");
    tools_.save(pictures::coordinates(16, 16), "small.png");
    QVERIFY(!tools_.run("cwebp -quiet -lossless small.png -o small.webp").isEmpty());
    QVERIFY(!tools_.run("cwebp -quiet -lossless in.png -o in.webp").isEmpty());
    QVERIFY(!tools_.run("convert in.png -depth 8 -compress none base.tif").isEmpty());
    QVERIFY(!tools_.run("convert in.png -depth 16 in16.png").isEmpty());
    QVERIFY(!tools_.run("convert alpha.png -depth 16 alpha16.png").isEmpty());
    QVERIFY(!tools_.run("convert in.png -flip flipped.png").isEmpty());
    // A HEIC turned a quarter clockwise twice over, as phones write them: by its irot box (heif-enc writes
    // none, so its pixi box, the same size, is renamed to one) and by the EXIF orientation it keeps.
    tools_.write(test::withExifOrientation(pictures::encoded(pictures::coordinates(97, 64), "jpeg"), 6),
                 "exif.jpg");
    QByteArray turned = tools_.run("heif-enc -q 90 exif.jpg -o exif.heic");
    const qsizetype pixi = turned.indexOf("pixi");
    QVERIFY(pixi > 0 && turned.contains("Exif"));
    turned.replace(pixi, 5, QByteArray("irot\x03", 5));
    tools_.write(turned, "turned.heic");
}

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
    QTest::newRow("lossless webp cut short, its sizes mended")
        << "a.webp" << webpCutWithSizesMended(tools_.run("cwebp -quiet -lossless in.png -o a.webp"));
    QTest::newRow("lossy webp cut short, its sizes mended")
        << "a.webp" << webpCutWithSizesMended(tools_.run("cwebp -quiet in.png -o a.webp"));
    // libtiff warns, and reads on.
    QTest::newRow("tiff whose directory is out of order")
        << "a.tif" << tiffWithLastTagAs(tools_.run("tiffcp -c zip base.tif a.tif"), 100);
    // Damage inside the coded slices and tiles decodes without a word from libde265 or dav1d: what is
    // refused is damage to the structure they parse.
    QTest::newRow("heic with 16 coded bytes flipped")
        << "a.heic" << isoMediaWithFlippedData(tools_.run("heif-enc -q 90 in.png -o a.heic"));
    QTest::newRow("avif with 16 coded bytes flipped")
        << "a.avif" << isoMediaWithFlippedData(tools_.run("avifenc -s 10 in.png a.avif"));
    for (const char* compression : {"zip", "lzw", "jpeg"})
        QTest::addRow("%s tiff with 16 bytes flipped", compression)
            << "a.tif"
            << tiffWithFlippedData(
                   tools_.run(QStringLiteral("tiffcp -r 16 -c %1 base.tif a.tif").arg(compression)));
}

void PictureDecodersTest::refusesDamageInsideTheData() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const TestLoader loader(2047 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Invalid picture");
    QCOMPARE(loader.budget.held(), 0);
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
    QTest::newRow("webp") << "a.webp" << tools_.run("cwebp -quiet -lossless small.png -o a.webp");
    QTest::newRow("tiff") << "a.tif" << tools_.run("tiffcp -c zip base.tif a.tif");
    QTest::newRow("heic") << "a.heic" << tools_.run("heif-enc -q 90 small.png -o a.heic");
    QTest::newRow("avif") << "a.avif" << tools_.run("avifenc -s 10 small.png a.avif");
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
    } else if (name.endsWith(".webp")) {
        // A lossless frame's header: 14 bits each of width - 1 and height - 1, then its flags.
        const quint32 flags = qFromLittleEndian<quint32>(bytes.constData() + 21) & 0xF0000000u;
        qToLittleEndian(flags | 4999u | 3999u << 14, bytes.data() + 21);
    } else if (name.endsWith(".tif")) {
        qToLittleEndian(quint16(5000), tiffEntry(bytes, 256) + 8); // ImageWidth
        qToLittleEndian(quint16(4000), tiffEntry(bytes, 257) + 8); // ImageLength
    } else if (name.endsWith(".heic") || name.endsWith(".avif")) {
        bytes = isoMediaClaiming(bytes, 5000, 4000);
    }
    const TestLoader loader(64 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Picture too large: 5000 x 4000 pixels");
    QCOMPARE_LT(loader.budget.peak(), megabyte);
}

void PictureDecodersTest::refusesHugeJpegFrameBeforeItsPixels() {
    // Within the budget, but far too short for 23000 x 23000 pixels: refused before they are allocated.
    const QByteArray bytes = damaged::jpegClaiming(pictures::encoded(shading(), "jpeg"), 23000, 23000);
    const TestLoader loader(2047 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write("huge.jpg", bytes)); }), "Invalid picture");
    QCOMPARE_LT(loader.budget.peak(), megabyte);
}

void PictureDecodersTest::reportsLibpngRunningOutOfMemory() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitizer maps its own memory, beyond any cap");
#endif
    // One row of 300 million pixels, within the budget: libpng asks for over a gigabyte to hold it.
    QByteArray png = pictures::encoded(pictures::coordinates(8, 8), "png");
    qToBigEndian(quint32(300'000'000), png.data() + 16);
    qToBigEndian(quint32(1), png.data() + 20);
    qToBigEndian(damaged::pngCrc(png.mid(12, 17)), png.data() + 29);
    const QString path = write("row.png", png);
    const TestLoader loader(qint64(1) << 40);
    QString failure;
    {
        const AddressSpaceCap cap(256 * megabyte);
        failure = failureOf([&] { loader.load(path); });
    }
    QCOMPARE(failure, "Out of memory");
}

void PictureDecodersTest::boundsTheScansOfProgressiveJpeg() {
    QImage grey(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.setPixel(x, y, qRgb(x * 3, x * 3, x * 3));
    const TestLoader loader(256 * megabyte);
    // 64 scans, as many as a file needs to send each coefficient apart: read in full.
    const QImage loaded = loader.load(write("p.jpg", test::writeJpeg(grey, progressive(0))));
    QCOMPARE(loaded.size(), grey.size());
    QCOMPARE_GE(loader.budget.peak(),
                64 * 40 * 4 + 8 * 5 * 64 * 2); // the coefficients kept between scans count
    for (const QPoint at : {QPoint(0, 0), QPoint(33, 20), QPoint(63, 39)})
        QCOMPARE_LE(qAbs(qRed(loaded.pixel(at)) - qRed(grey.pixel(at))), 3);
    // 192 valid scans: more than any encoder makes, and refused.
    QCOMPARE(failureOf([&] { loader.load(write("p.jpg", test::writeJpeg(grey, progressive(2)))); }),
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
        png = pictures::withChunk(png, "tRNS", be16s({see, see, see}));
    }
    const auto eight = [](quint16 v) { return (v * 255 + 32767) / 65535; };

    const TestLoader loader(256 * megabyte);
    const PeakMemoryWatch memory;
    const QImage loaded = loader.load(write("wide.png", png));
    const qint64 pixelBytes = qint64(width) * height * 4;
    QCOMPARE_LT(memory.growth(), pixelBytes * 5 / 4);
    QCOMPARE_LT(loader.budget.peak(), pixelBytes + megabyte);
    QCOMPARE_GE(loader.budget.peak(), pixelBytes + width * 8); // libpng's rows count
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
    const TestLoader loader(256 * megabyte);
    const QImage loaded = loader.load(write("t.gif", gif));
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
    const TestLoader loader(64 * megabyte);
    QCOMPARE(loader.load(write("w.pgm", damaged::plainNetpbm(pattern, false))), pattern);
    QCOMPARE(loader.load(write("w.ppm", damaged::plainNetpbm(pattern, true))), pattern);
    QCOMPARE(loader.load(write("w.xbm", damaged::xbm(pattern))), pattern);
}

void PictureDecodersTest::readsModuleFormatsAsTheirLibrariesDo_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("lossy webp") << "cwebp -quiet in.png -o p.webp";
    QTest::newRow("lossless webp with alpha") << "cwebp -quiet -lossless alpha.png -o p.webp";
    QTest::newRow("lossy webp with alpha") << "cwebp -quiet -q 60 alpha.png -o p.webp";
    QTest::newRow("webp animation: its first frame on its canvas")
        << "webpmux -frame small.webp +100+8+4 -frame in.webp +100 -o p.webp";
    QTest::newRow("8-bit lzw tiff with alpha") << "convert alpha.png -depth 8 -compress lzw p.tif";
    QTest::newRow("16-bit deflate tiff with alpha") << "convert alpha.png -depth 16 -compress zip p.tif";
    QTest::newRow("tiff with premultiplied alpha")
        << "convert alpha.png -depth 8 -define tiff:alpha=associated p.tif";
    QTest::newRow("32-bit float tiff")
        << "convert in.png -define quantum:format=floating-point -depth 32 p.tif";
    QTest::newRow("palette tiff") << "convert in.png -depth 8 -type palette p.tif";
    QTest::newRow("1-bit tiff") << "convert in.png -colorspace gray -depth 1 p.tif";
    QTest::newRow("8-bit grey tiff") << "convert in.png -colorspace gray -depth 8 p.tif";
    QTest::newRow("tiled tiff") << "tiffcp -t -w 32 -l 16 -c zip base.tif p.tif";
    QTest::newRow("ycbcr jpeg tiff") << "tiffcp -c jpeg -r 16 base.tif p.tif";
    QTest::newRow("tiff with its planes apart") << "tiffcp -p separate base.tif p.tif";
    QTest::newRow("8-bit heic") << "heif-enc -q 90 in.png -o p.heic";
    QTest::newRow("10-bit heic") << "heif-enc -q 90 -b 10 in16.png -o p.heic";
    QTest::newRow("heic with alpha") << "heif-enc -q 90 alpha.png -o p.heic";
    QTest::newRow("heic turned by its irot and its exif alike: turned once") << "cp turned.heic p.heic";
    QTest::newRow("8-bit avif") << "avifenc -s 10 in.png p.avif";
    QTest::newRow("10-bit avif with alpha") << "avifenc -s 10 -d 10 alpha16.png p.avif";
    QTest::newRow("12-bit 4:4:4 avif") << "avifenc -s 10 -d 12 -y 444 in16.png p.avif";
    QTest::newRow("avif animation: its first frame") << "avifenc -s 10 in.png flipped.png p.avif";
}

void PictureDecodersTest::readsModuleFormatsAsTheirLibrariesDo() {
    QFETCH(QString, command);
    const QByteArray bytes = tools_.run(command);
    QVERIFY(!bytes.isEmpty());
    // The library's own decoding over white, through ImageMagick, which lays no animation's first frame on
    // its canvas.
    QImage expected(97, 64, QImage::Format_RGB32);
    if (command.startsWith("webpmux")) {
        expected.fill(Qt::white);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                expected.setPixel(8 + x, 4 + y, pictures::coordinates(16, 16).pixel(x, y));
    } else {
        // heif-convert and avifdec decode through the libraries themselves.
        QString reference = command.split(' ').last();
        if (reference.endsWith(".heic"))
            tools_.run("heif-convert " + std::exchange(reference, "d.png") + " d.png");
        else if (reference.endsWith(".avif"))
            tools_.run("avifdec " + std::exchange(reference, "d.png") + " d.png");
        tools_.run("convert " + reference + " -background white -flatten -depth 8 e.png");
        expected.load(tools_.path("e.png"));
    }
    const TestLoader loader(256 * megabyte);
    // Named for another format: the content decides.
    const QImage loaded = loader.load(write("photo.jpg", bytes));
    QCOMPARE(loaded.size(), expected.size());
    QCOMPARE_LE(pictures::largestDifference(loaded, expected), 1);
    QCOMPARE(loader.budget.held(), 0);
}

void PictureDecodersTest::readsWhatModuleFormatsSayBesideTheirPixels() {
    tools_.save(pictures::plain(8, 8, qRgb(255, 0, 0)), "red.png");
    const picture::DecodedPicture cmyk =
        decodedByModule("tiff", tools_.run("convert red.png -colorspace cmyk -depth 8 cmyk.tif"));
    QVERIFY(cmyk.cmyk);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(cmyk.image.constScanLine(4)), 4),
             QByteArray("\0\xFF\xFF\0", 4));
    // A private tag is how TIFF grows: libtiff warns that it does not know it, and that is no damage.
    const QByteArray privateTag = tiffWithLastTagAs(tools_.run("tiffcp base.tif p.tif"), 65000);
    QCOMPARE(decodedByModule("tiff", privateTag).image.size(), QSize(97, 64));
    // heif-convert hands premultiplied samples over as they are: over white they add the white not covered.
    const QImage premultiplied =
        TestLoader(64 * megabyte)
            .load(write("pm.heic", tools_.run("heif-enc -q 90 --premultiplied-alpha alpha.png -o pm.heic")));
    QImage overWhite(tools_.path(tools_.run("heif-convert pm.heic pm.png").isEmpty() ? "" : "pm.png"));
    QCOMPARE(overWhite.size(), QSize(97, 64));
    overWhite = overWhite.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < overWhite.height(); ++y)
        for (int x = 0; x < overWhite.width(); ++x) {
            const QRgb p = overWhite.pixel(x, y);
            const auto on = [p](int c) { return std::min(255, c + 255 - qAlpha(p)); };
            overWhite.setPixel(x, y, qRgb(on(qRed(p)), on(qGreen(p)), on(qBlue(p))));
        }
    QCOMPARE_LE(pictures::largestDifference(premultiplied, overWhite.convertToFormat(QImage::Format_RGB32)),
                1);

    const QByteArray profile = profiles::packaged("AdobeRGB1998.icc");
    if (profile.isEmpty())
        QSKIP("no packaged colour profile");
    tools_.write(profile, "p.icc");
    tools_.write(test::exifOrientation(6, true), "p.exif");
    tools_.run("webpmux -set icc p.icc in.webp -o icc.webp");
    const picture::DecodedPicture webp =
        decodedByModule("webp", tools_.run("webpmux -set exif p.exif icc.webp -o p.webp"));
    QCOMPARE(webp.colour.iccProfile, profile);
    QCOMPARE(webp.orientation, 6);
    const picture::DecodedPicture tiff =
        decodedByModule("tiff", tools_.run("convert base.tif -orient LeftBottom -profile p.icc p.tif"));
    QCOMPARE(tiff.colour.iccProfile, profile);
    QCOMPARE(tiff.orientation, 8);
    QVERIFY(!tiff.cmyk);

    tools_.run("convert in.png -profile p.icc icc.png");
    QCOMPARE(decodedByModule("heif", tools_.run("heif-enc -q 90 icc.png -o p.heic")).colour.iccProfile,
             profile);
    const picture::DecodedPicture iccAvif =
        decodedByModule("avif", tools_.run("avifenc -s 10 --icc p.icc in.png p.avif"));
    QCOMPARE(iccAvif.colour.iccProfile, profile);
    // A quarter turn anticlockwise, then top and bottom exchanged: EXIF's transpose. The clean aperture is
    // cut before it, and the nclx box described.
    const picture::DecodedPicture avif = decodedByModule(
        "avif",
        tools_.run("avifenc -s 10 -d 10 --irot 1 --imir 0 --crop 8,4,64,48 --cicp 12/13/6 in16.png p.avif"));
    QCOMPARE(avif.orientation, 5);
    QCOMPARE(avif.image.size(), QSize(64, 48));
    QCOMPARE(avif.image.format(), QImage::Format_RGBX64);
    QCOMPARE(reinterpret_cast<const quint16*>(avif.image.constBits())[3],
             65535); // opaque, as RGBX64 holds it
    QCOMPARE_LE(pictures::largestDifference(avif.image.copy(0, 0, 8, 8),
                                            pictures::coordinates(97, 64).copy(8, 4, 8, 8)),
                8);
    QVERIFY(avif.colour.cicp && avif.colour.cicp->primaries == 12 && avif.colour.cicp->transfer == 13);
}

QTEST_MAIN(PictureDecodersTest)
#include "picture_decoders_test.moc"
