#include "support/BuiltFormats.h"
#include "support/DamagedPictures.h"
#include "support/DngFile.h"
#include "support/ExifJpeg.h"
#include "support/ExrWriter.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/OldLzwTiff.h"
#include "support/PatchedBytes.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/PsdFile.h"
#include "support/TestLoader.h"
#include "support/TestProfiles.h"
#include "support/ToolFolder.h"

#include "picture/LoadBudget.h"
#include "picture/formats/modules/jpeg/JpegBandStream.h"
#include "picture/formats/modules/jpeg/JpegReader.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <cmath>
#include <thread>
#include <utility>

using picture::LoadBudget;

Q_DECLARE_METATYPE(test::LinearPixel)
Q_DECLARE_METATYPE(test::ExrChannels)

// The decoders behind the loader: damage inside compressed data, bounded work, the shared memory budget
// and what the files say beside their pixels.
class PictureReadersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void refusesDamageInsideTheData_data();
    void refusesDamageInsideTheData();
    void refusesHeadersBeyondTheBudget_data();
    void refusesHeadersBeyondTheBudget();
    void refusesHugeFramesBeforeTheirPixels_data();
    void refusesHugeFramesBeforeTheirPixels();
    void boundsTheScansOfProgressiveJpeg();
    void decodesRestartMarkedJpegExactly_data();
    void decodesRestartMarkedJpegExactly();
    void renumbersRestartMarkersAcrossPieces_data();
    void renumbersRestartMarkersAcrossPieces();
    void decodesWideSamplesStraightIntoTheFinalPixels_data();
    void decodesWideSamplesStraightIntoTheFinalPixels();
    void laysTransparentGifPixelsOverWhite();
    void readsWhatJpegSaysBesideItsPixels();
    void opensWholeTextFormatsExactly();
    void readsModuleFormatsAsTheirLibrariesDo_data();
    void readsModuleFormatsAsTheirLibrariesDo();
    void describesWhatModuleFilesSay_data();
    void describesWhatModuleFilesSay();
    void readsWhatModuleFormatsSayBesideTheirPixels();
    void developsCameraRawToTheLevelsItHolds_data();
    void developsCameraRawToTheLevelsItHolds();
    void drawsSvgAtItsIntrinsicSizeOnWhite_data();
    void drawsSvgAtItsIntrinsicSizeOnWhite();
    void drawsSvgWithoutReadingOtherFiles();
    void showsExrLightAsItsToolsDo_data();
    void showsExrLightAsItsToolsDo();
    void showsPsdDocumentsOfEveryMode_data();
    void showsPsdDocumentsOfEveryMode();

private:
    QString write(const QString& name, const QByteArray& bytes) {
        return pictures::write(bytes, dir_.path(), name);
    }

    QTemporaryDir dir_;
    // The module formats' pictures, made by their libraries' tools from the pictures initTestCase saves.
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
    return {.progressiveRefinementBits = refinementBits, .cmyk = false, .iccProfile = {}, .exif = {}};
}

// A picture through its module's reader alone.
picture::DecodedPicture decodedByModule(const QString& module, const QByteArray& bytes) {
    return decodedBy(builtFormats().reader(module), bytes);
}

// The same WebP with its RIFF and only chunk's sizes matching a cut that keeps two thirds.
QByteArray webpCutWithSizesMended(QByteArray webp) {
    webp.truncate(webp.size() * 2 / 3 & ~1);
    qToLittleEndian(quint32(webp.size() - 8), webp.data() + 4);
    qToLittleEndian(quint32(webp.size() - 20), webp.data() + 16);
    return webp;
}

// The TIFF with the tag of its directory's last entry, PrimaryChromaticities, made another.
QByteArray tiffWithLastTagAs(QByteArray tiff, quint16 tag) {
    qToLittleEndian(tag, tiffEntry(tiff, 319));
    return tiff;
}

// A DNG of 64 x 48 pixels: its left half one colour, its right half grey at `white`, which sets LibRaw's
// automatic white point there.
QByteArray halfWhiteDng(std::array<double, 3> colour, std::array<double, 3> neutral, int orientation = 1,
                        double white = 1) {
    dng::Mosaic mosaic{
        .width = 64, .height = 48, .levels = {}, .asShotNeutral = neutral, .orientation = orientation};
    for (int y = 0; y < mosaic.height; ++y)
        for (int x = 0; x < mosaic.width; ++x)
            mosaic.levels.append(x < mosaic.width / 2 ? colour : std::array<double, 3>{white, white, white});
    return dng::write(mosaic);
}

// The same bytes with 16 of them inverted from `at`, or from two thirds of the way.
QByteArray withFlippedBytes(QByteArray bytes, qsizetype at = -1) {
    at = at < 0 ? bytes.size() * 2 / 3 : at;
    for (qsizetype i = at; i < at + 16; ++i)
        bytes[i] = char(~bytes[i]);
    return bytes;
}

// A JP2 whose colour box gives an ICC profile in place of the enumerated space the encoder wrote.
QByteArray jp2WithProfile(QByteArray jp2, const QByteArray& profile) {
    const qsizetype colour = jp2.indexOf("colr") - 4;
    const qsizetype header = jp2.indexOf("jp2h") - 4;
    const quint32 oldSize = qFromBigEndian<quint32>(jp2.constData() + colour);
    QByteArray box(4, '\0');
    qToBigEndian(quint32(11 + profile.size()), box.data());
    jp2.replace(colour, oldSize, box + QByteArray("colr\x02\0\0", 7) + profile);
    qToBigEndian(qFromBigEndian<quint32>(jp2.constData() + header) + quint32(11 + profile.size()) - oldSize,
                 jp2.data() + header);
    return jp2;
}

// A picture's decoding by its format's own tool, as a file ImageMagick reads.
QString referenceDecoding(ToolFolder& tools, const QString& file) {
    if (file.endsWith(".jxl"))
        return tools.run("djxl " + file + " d.png").isEmpty() ? QString() : "d.png";
    if (file.endsWith(".jp2") || file.endsWith(".j2k"))
        return tools.run("opj_decompress -quiet -i " + file + " -o d.png").isEmpty() ? QString() : "d.png";
    if (file.endsWith(".heic"))
        return tools.run("heif-convert " + file + " d.png").isEmpty() ? QString() : "d.png";
    if (file.endsWith(".avif"))
        return tools.run("avifdec " + file + " d.png").isEmpty() ? QString() : "d.png";
    return file;
}

// A JPEG XL container whose Exif box says one orientation around a bare codestream that says another.
QByteArray jxlContainer(const QByteArray& codestream, const QByteArray& exif) {
    const auto box = [](const char* type, const QByteArray& body) {
        QByteArray size(4, '\0');
        qToBigEndian(quint32(8 + body.size()), size.data());
        return size + type + body;
    };
    return box("JXL ", "\r\n\x87\n") + box("ftyp", QByteArray("jxl \0\0\0\0jxl ", 12)) +
           box("Exif", QByteArray(4, '\0') + exif) + box("jxlc", codestream);
}

// A QOI of 8 x 1 pixels written by hand, one operation of each kind, with its colour space byte.
QByteArray handQoi(char colourSpace) {
    const QByteArray operations("\xFE\x10\x20\x30"     // 16, 32, 48
                                "\x72"                 // 17, 30, 48: red + 1, green - 2
                                "\xAA\xA3"             // 29, 40, 53: green + 10, red + 12, blue + 5
                                "\xFF\x50\x60\x70\x00" // transparent
                                "\xC1"                 // twice more
                                "\x15"                 // the first colour, from where it hashed
                                "\x6A",                // the same again: no difference
                                15);
    return QByteArray("qoif\0\0\0\x08\0\0\0\x01\x04", 13) + colourSpace + operations + QByteArray(7, '\0') +
           '\x01';
}

// Where a PSD's merged picture begins: its compression, then its rows.
qsizetype psdMergedData(const QByteArray& psd) {
    qsizetype at = 26;
    for (int section = 0; section < 3; ++section)
        at += 4 + qFromBigEndian<quint32>(psd.constData() + at);
    return at;
}

// The TGA with a 2.0 extension area and footer after its pixels, the area giving the attributes type.
QByteArray tgaWithAttributesType(const QByteArray& tga, char type) {
    QByteArray area(495, '\0');
    qToLittleEndian(quint16(495), area.data());
    area[494] = type;
    QByteArray footer(8, '\0');
    qToLittleEndian(quint32(tga.size()), footer.data());
    return tga + area + footer + QByteArray("TRUEVISION-XFILE.\0", 18);
}

// The bytes with two big-endian 32-bit sizes written from `at`.
QByteArray withSizes(QByteArray bytes, qsizetype at, quint32 first, quint32 second) {
    qToBigEndian(first, bytes.data() + at);
    qToBigEndian(second, bytes.data() + at + 4);
    return bytes;
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

void PictureReadersTest::initTestCase() {
    QImage translucent(97, 64, QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y, qRgba(x * 2, y * 3, 100, (x * 5 + y * 3) % 256));
    tools_.save(pictures::coordinates(97, 64), "in.png");
    tools_.save(translucent, "alpha.png");
    tools_.save(pictures::coordinates(16, 16), "small.png");
    QImage wide(97, 64, QImage::Format_RGBX64);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            wide.setPixelColor(x, y,
                               QColor::fromRgba64(quint16(x * 673), quint16(y * 1021), quint16(x * y * 7)));
    tools_.save(wide, "in16.png");
    tools_.save(pictures::coordinates(97, 64).convertToFormat(QImage::Format_Grayscale8), "grey.png");
    QByteArray yuv; // 96 x 64 of luma, then two planes of chroma at half the size each way
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x)
            yuv += char(x * 2 + y);
    for (int plane = 0; plane < 2; ++plane)
        for (int i = 0; i < 48 * 32; ++i)
            yuv += char(plane ? i / 48 * 7 : i % 48 * 5);
    tools_.write(yuv, "yuv.raw");
    QVERIFY(!tools_.run("cwebp -quiet -lossless small.png -o small.webp").isEmpty());
    QVERIFY(!tools_.run("cwebp -quiet -lossless in.png -o in.webp").isEmpty());
    QVERIFY(!tools_.run("convert in.png -depth 8 -compress none base.tif").isEmpty());
    QVERIFY(!tools_.run("convert in.png -depth 16 coordinates16.png").isEmpty());
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
    tools_.write(test::oldLzwTiff(pictures::coordinates(97, 64)), "old.tif");
    // Grey whose bytes say how much ink: ImageMagick writes none such, so its Photometric tag is made so.
    QVERIFY(!tools_.run("convert grey.png -depth 8 -compress none white.tif").isEmpty());
    QVERIFY(!tools_.run("tiffset -s 262 0 white.tif").isEmpty());
}

void PictureReadersTest::refusesDamageInsideTheData_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = pictures::encoded(shading(), "jpeg");
    QTest::newRow("jpeg with 24 scan bytes flipped")
        << "a.jpg" << damaged::jpegWithFlippedScanBytes(jpeg, 24);
    QTest::newRow("jpeg with a third of its scan zeroed")
        << "a.jpg" << damaged::jpegWithZeroedScanThird(jpeg);
    QTest::newRow("jpeg cut halfway with its end marker") << "a.jpg" << damaged::jpegCutWithEndMarker(jpeg);
    // Decoded in bands, a marker after each of its 63 MCU rows; on two cores the second band's rows begin
    // after marker 30.
    const QByteArray banded = test::writeJpeg(shading(1300, 1000), {.restartInterval = 82});
    QTest::newRow("restart-marked jpeg with 24 bytes flipped three quarters in")
        << "a.jpg" << damaged::jpegWithFlippedScanBytes(banded, 24, 0.75);
    QTest::newRow("restart-marked jpeg cut three quarters in")
        << "a.jpg" << banded.left(banded.size() * 3 / 4);
    const qsizetype middle = damaged::jpegRestartMarker(banded, 30);
    QTest::newRow("restart-marked jpeg with stray bytes before its middle marker")
        << "a.jpg" << QByteArray(banded).insert(middle, "\x12\x34");
    QTest::newRow("restart-marked jpeg whose middle marker is out of turn")
        << "a.jpg" << patched(banded, middle + 1, quint8(0xD7));
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
    const QByteArray qoi = handQoi(0);
    QTest::newRow("qoi without its end marker") << "a.qoi" << qoi.chopped(8);
    QTest::newRow("qoi missing its last pixel") << "a.qoi" << qoi.left(qoi.size() - 9) + qoi.right(8);
    QTest::newRow("qoi whose run passes its last pixel")
        << "a.qoi" << QByteArray(qoi).replace('\xC1', '\xC5');
    QTest::newRow("run-length tga whose packet passes its last pixel")
        << "a.tga" << QByteArray("\0\0\x0A\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\x20\x84\x01\x02\x03", 22);
    const QByteArray mapped("\0\x01\x01\0\0\x02\0\x18\0\0\0\0\x01\0\x01\0\x08\x20"
                            "ABCDEF"
                            "\x05",
                            25);
    QTest::newRow("colour-mapped tga with an index past its map") << "a.tga" << mapped;
    QTest::newRow("colour-mapped tga cut inside its map") << "a.tga" << mapped.left(22);
    QByteArray psd = tools_.run("convert in.png a.psd");
    qToBigEndian(quint16(1), psd.data() + psdMergedData(psd) + 2);
    QTest::newRow("psd whose first row is cut to one byte") << "a.psd" << psd;
    // The length of the layers is 64 bits in a PSB: one near 2^63 must not overflow a file position.
    QByteArray psb = tools_.run("convert in.png a.psb");
    qsizetype layers = 26;
    for (int section = 0; section < 2; ++section) // the colour mode's data, then the image resources
        layers += 4 + qFromBigEndian<quint32>(psb.constData() + layers);
    qToBigEndian(quint64(0x7FFF'FFFF'FFFF'FFFF), psb.data() + layers);
    QTest::newRow("psb whose layers claim more bytes than any file holds") << "a.psb" << psb;
    // Damage inside the coded slices and tiles decodes without a word from libde265 or dav1d: what is
    // refused is damage to the structure they parse, the first bytes of the data: the sizes of HEVC's
    // units, the headers of AV1's.
    const QByteArray heic = tools_.run("heif-enc -q 90 in.png -o a.heic");
    const QByteArray avif = tools_.run("avifenc -s 10 in.png a.avif");
    QTest::newRow("heic with 16 coded bytes flipped")
        << "a.heic" << withFlippedBytes(heic, heic.lastIndexOf("mdat") + 4);
    QTest::newRow("avif with 16 coded bytes flipped")
        << "a.avif" << withFlippedBytes(avif, avif.lastIndexOf("mdat") + 4);
    for (const char* compression : {"zip", "lzw", "jpeg"}) {
        // In the middle of the data, before the directory.
        const QByteArray tiff =
            tools_.run(QStringLiteral("tiffcp -r 16 -c %1 base.tif a.tif").arg(compression));
        QTest::addRow("%s tiff with 16 bytes flipped", compression)
            << "a.tif" << withFlippedBytes(tiff, (8 + qFromLittleEndian<quint32>(tiff.constData() + 4)) / 2);
    }
    const QByteArray svg(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"><rect width=\"4\" "
        "height=\"4\"/></svg>");
    QTest::newRow("svg with its root elsewhere") << "a.svg" << svg + "<svg/>";
    // Ten uses of ten uses, seven deep: librsvg stops at half a million copies, having drawn some.
    QByteArray copies = svg.chopped(6) + "<defs><rect id=\"l0\" width=\"8\" height=\"8\"/>";
    for (int level = 1; level < 8; ++level)
        copies += "<g id=\"l" + QByteArray::number(level) + "\">" +
                  ("<use href=\"#l" + QByteArray::number(level - 1) + "\"/>").repeated(10) + "</g>";
    QTest::newRow("svg whose uses multiply to ten million copies")
        << "a.svg" << copies + "</defs><use href=\"#l7\"/></svg>";
    QTest::newRow("lossy jxl with 16 bytes flipped")
        << "a.jxl" << withFlippedBytes(tools_.run("cjxl in.png a.jxl"));
    // JPEG 2000's coded data has no check of its own: damage shows only where it breaks the packet markers.
    const QByteArray marked = tools_.run("opj_compress -SOP -EPH -i in.png -o a.j2k");
    QTest::newRow("j2k with packet markers, 16 bytes flipped in its first packet")
        << "a.j2k" << withFlippedBytes(marked, marked.indexOf("\xFF\x93") + 2);
    const QByteArray exr = test::writeExr(test::ExrShape(97, 64, [](int x, int y) {
        return test::LinearPixel{x / 97.0f, y / 64.0f, 0.5f, 1};
    }));
    QTest::newRow("exr cut short") << "a.exr" << exr.left(exr.size() * 2 / 3);
    QTest::newRow("zip exr with 16 bytes flipped") << "a.exr" << withFlippedBytes(exr);
}

void PictureReadersTest::refusesDamageInsideTheData() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const TestLoader loader(2047 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Invalid picture");
    QCOMPARE(loader.budget.held(), 0);
}

void PictureReadersTest::refusesHeadersBeyondTheBudget_data() {
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
    QTest::newRow("png") << "a.png"
                         << damaged::pngClaiming(
                                pictures::encoded(pictures::coordinates(8, 8), "png").left(33), 5000, 4000);
    const QByteArray gif = pictures::encoded(pictures::coordinates(8, 8), "gif").left(13);
    QTest::newRow("gif") << "a.gif" << patched(patched(gif, 6, quint16(5000)), 8, quint16(4000));
    QTest::newRow("jpeg cut inside its header")
        << "a.jpg" << damaged::jpegClaiming(pictures::encoded(shading(), "jpeg"), 5000, 4000).left(200);
    QTest::newRow("webp") << "a.webp" << tools_.run("cwebp -quiet -lossless small.png -o a.webp");
    QTest::newRow("tiff") << "a.tif" << tools_.run("tiffcp -c zip base.tif a.tif");
    QTest::newRow("dng") << "a.dng" << halfWhiteDng({0.2, 0.5, 0.1}, {1, 1, 1});
    QTest::newRow("svg in millimetres")
        << "a.svg"
        << QByteArray(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1322.917mm\" height=\"105.833cm\"/>");
    // A codestream's size header for 5000 x 4000 and its default metadata, bit by bit.
    QTest::newRow("jxl") << "a.jxl" << QByteArray("\xFF\x0A\xFA\x7C\xE8\x70\x06") + QByteArray(64, '\0');
    // The SIZ marker's Xsiz and Ysiz.
    QTest::newRow("j2k") << "a.j2k"
                         << withSizes(tools_.run("opj_compress -i in.png -o a.j2k"), 8, 5000, 4000);
    QTest::newRow("exr") << "a.exr" << test::writeExr(test::ExrShape(16, 16, [](int, int) {
        return test::LinearPixel{1, 1, 1, 1};
    }));
    QTest::newRow("qoi") << "a.qoi" << withSizes(handQoi(0), 4, 5000, 4000);
    const QByteArray tga = tools_.run("convert small.png -compress RLE a.tga");
    QTest::newRow("tga") << "a.tga" << patched(patched(tga, 12, quint16(5000)), 14, quint16(4000));
    // Its height first.
    QTest::newRow("psd") << "a.psd" << withSizes(tools_.run("convert small.png a.psd"), 14, 4000, 5000);
    QTest::newRow("heic") << "a.heic"
                          << isoMediaClaiming(tools_.run("heif-enc -q 90 small.png -o a.heic"), 5000, 4000);
    QTest::newRow("avif") << "a.avif"
                          << isoMediaClaiming(tools_.run("avifenc -s 10 small.png a.avif"), 5000, 4000);
}

void PictureReadersTest::refusesHeadersBeyondTheBudget() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    // 80 MB of pixels: over a budget of 64 MB. Headers made smaller are patched to that size.
    if (name.endsWith(".webp")) {
        // A lossless frame's header: 14 bits each of width - 1 and height - 1, then its flags.
        const quint32 flags = qFromLittleEndian<quint32>(bytes.constData() + 21) & 0xF0000000u;
        qToLittleEndian(flags | 4999u | 3999u << 14, bytes.data() + 21);
    } else if (name.endsWith(".dng")) {
        qToLittleEndian(quint32(5000), tiffEntry(bytes, 256) + 8); // ImageWidth
        qToLittleEndian(quint32(4000), tiffEntry(bytes, 257) + 8); // ImageLength
    } else if (name.endsWith(".tif")) {
        qToLittleEndian(quint16(5000), tiffEntry(bytes, 256) + 8); // ImageWidth
        qToLittleEndian(quint16(4000), tiffEntry(bytes, 257) + 8); // ImageLength
    } else if (name.endsWith(".exr")) {
        char* window = bytes.data() + bytes.indexOf(QByteArrayView("dataWindow\0box2i\0", 17)) + 21;
        qToLittleEndian(qint32(4999), window + 8); // xMax, yMax
        qToLittleEndian(qint32(3999), window + 12);
    }
    const TestLoader loader(64 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Picture too large: 5000 x 4000 pixels");
    QCOMPARE_LT(loader.budget.peak(), megabyte);
}

void PictureReadersTest::refusesHugeFramesBeforeTheirPixels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("jpeg") << "huge.jpg"
                          << damaged::jpegClaiming(pictures::encoded(shading(), "jpeg"), 23000, 23000);
    QTest::newRow("qoi") << "huge.qoi" << withSizes(handQoi(0), 4, 23000, 23000);
    for (const char* compression : {"RLE", "None"}) {
        const QByteArray tga =
            tools_.run(QStringLiteral("convert small.png -compress %1 a.tga").arg(compression));
        QTest::addRow("tga, %s", compression)
            << "huge.tga" << patched(patched(tga, 12, quint16(23000)), 14, quint16(23000));
    }
    // 2048 packets of one pixel each, a quarter of the pixels 1024 x 512 needs even at 128 a packet.
    QTest::newRow("tga of short packets")
        << "short.tga"
        << QByteArray("\0\0\x0A\0\0\0\0\0\0\0\0\0\0\x04\0\x02\x18\x20", 18) +
               QByteArray("\x80\x01\x02\x03", 4).repeated(2048);
    for (const char* compression : {"RLE", "None"}) {
        QTest::addRow("psd, %s", compression)
            << "huge.psd"
            << withSizes(tools_.run(QStringLiteral("convert small.png -compress %1 a.psd").arg(compression)),
                         14, 23000, 23000);
    }
}

void PictureReadersTest::refusesHugeFramesBeforeTheirPixels() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    // Within the budget, but far too short for the pixels declared: refused before they are allocated.
    const TestLoader loader(2047 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Invalid picture");
    QCOMPARE_LT(loader.budget.peak(), megabyte);
}

void PictureReadersTest::boundsTheScansOfProgressiveJpeg() {
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

void PictureReadersTest::decodesRestartMarkedJpegExactly_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("cmyk");
    QTest::addColumn<int>("restartInterval"); // in MCUs: 16 x 16 pixels for colour, 8 x 8 for CMYK
    QTest::addColumn<bool>("fill");           // a 0xFF fill byte before each marker
    QTest::newRow("colour, a marker after every MCU row") << QSize(1300, 1000) << false << 82 << false;
    QTest::newRow("colour, after every third MCU row, the last rows short")
        << QSize(1290, 1001) << false << 3 * 81 << false;
    QTest::newRow("cmyk, after every second MCU row") << QSize(1300, 1000) << true << 2 * 163 << false;
    QTest::newRow("colour, after every seventh MCU, across rows") << QSize(1300, 1000) << false << 7 << false;
    QTest::newRow("colour, every MCU row, with fill") << QSize(1300, 1000) << false << 82 << true;
}

void PictureReadersTest::decodesRestartMarkedJpegExactly() {
    QFETCH(QSize, size);
    QFETCH(bool, cmyk);
    QFETCH(int, restartInterval);
    QFETCH(bool, fill);
    // Restart markers change how the scan is coded, not what it holds: the same picture written without
    // them, decoded whole, is what the marked one must give, however it is decoded.
    const QImage picture = shading(size.width(), size.height());
    QByteArray bytes = test::writeJpeg(picture, {.cmyk = cmyk, .restartInterval = restartInterval});
    for (char code = '\xD0'; fill && code <= '\xD7'; ++code)
        bytes.replace(QByteArray("\xFF") + code, QByteArray("\xFF\xFF") + code);
    const picture::DecodedPicture marked = decodedBy(picture::JpegReader::decode, bytes);
    const picture::DecodedPicture whole =
        decodedBy(picture::JpegReader::decode, test::writeJpeg(picture, {.cmyk = cmyk}));
    QCOMPARE(marked.image, whole.image);
}

void PictureReadersTest::renumbersRestartMarkersAcrossPieces_data() {
    QTest::addColumn<qsizetype>("at"); // in the entropy-coded data
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("read");
    constexpr qsizetype piece = picture::JpegBandStream::pieceSize;
    // The band begins after interval 2: the marker after interval 3 is its first, RST0.
    QTest::newRow("inside a piece") << qsizetype(100) << QByteArray("\xFF\xD3") << QByteArray("\xFF\xD0");
    QTest::newRow("its code beginning the next piece")
        << piece - 1 << QByteArray("\xFF\xD1") << QByteArray("\xFF\xD6");
    QTest::newRow("fill across two pieces")
        << piece - 2 << QByteArray("\xFF\xFF\xFF\xD2") << QByteArray("\xFF\xFF\xFF\xD7");
    QTest::newRow("a coded 0xFF before a byte like a marker's")
        << piece - 1 << QByteArray("\xFF\x00\xD4", 3) << QByteArray("\xFF\x00\xD4", 3);
    QTest::newRow("the end of the image") << piece << QByteArray("\xFF\xD9") << QByteArray("\xFF\xD9");
}

void PictureReadersTest::renumbersRestartMarkersAcrossPieces() {
    QFETCH(qsizetype, at);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, read);
    QByteArray data(3 * picture::JpegBandStream::pieceSize, '\x55');
    data.replace(at, bytes.size(), bytes);
    const QByteArray file = "data" + data;
    const picture::JpegBand band{.header = "headers", .dataStart = 4, .skippedIntervals = 3};
    picture::JpegBandStream stream(file, band);
    QByteArray given;
    for (QByteArrayView piece = stream.next(); !piece.isEmpty(); piece = stream.next())
        given += piece;
    QCOMPARE(given, "headers" + data.replace(at, read.size(), read));
}

void PictureReadersTest::decodesWideSamplesStraightIntoTheFinalPixels_data() {
    QTest::addColumn<bool>("colour");
    QTest::newRow("16-bit grey") << false;
    QTest::newRow("16-bit colour with a transparent colour") << true;
}

void PictureReadersTest::decodesWideSamplesStraightIntoTheFinalPixels() {
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
        png = pictures::withChunk(png, "tRNS", QByteArray("\x12\x34\x12\x34\x12\x34", 6));
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
    QImage expected(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const quint16*>(wide.constScanLine(y));
        for (int x = 0; x < width; ++x)
            expected.setPixel(
                x, y,
                !colour ? qRgb(eight(source[x]), eight(source[x]), eight(source[x]))
                : source[x * 4] == see && source[x * 4 + 1] == see && source[x * 4 + 2] == see
                    ? qRgb(255, 255, 255)
                    : qRgb(eight(source[x * 4]), eight(source[x * 4 + 1]), eight(source[x * 4 + 2])));
    }
    QCOMPARE(pictures::largestDifference(loaded, expected), 0);
}

void PictureReadersTest::laysTransparentGifPixelsOverWhite() {
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

void PictureReadersTest::readsWhatJpegSaysBesideItsPixels() {
    // A profile too long for one segment is split across several and put back together.
    QByteArray profile(150000, '\0');
    for (qsizetype i = 0; i < profile.size(); ++i)
        profile[i] = char(i * 7 / 3);
    for (const auto& [orientation, bigEndian] : {std::pair{6, false}, std::pair{8, true}}) {
        const picture::DecodedPicture decoded = decodedBy(
            picture::JpegReader::decode,
            test::writeJpeg(shading(48, 32),
                            {.iccProfile = profile, .exif = test::exifOrientation(orientation, bigEndian)}));
        QCOMPARE(decoded.orientation, orientation);
        QCOMPARE(decoded.colour.iccProfile, profile);
        QVERIFY(!decoded.cmyk);
    }

    // Adobe's CMYK, inverted in the file, comes out as ink: 0 for none.
    QImage inks(24, 16, QImage::Format_ARGB32);
    inks.fill(qRgba(10, 200, 0, 90));
    const picture::DecodedPicture decoded = decodedBy(
        picture::JpegReader::decode, test::writeJpeg(inks, {.cmyk = true, .iccProfile = {}, .exif = {}}));
    QVERIFY(decoded.cmyk);
    const uchar* pixel = decoded.image.constScanLine(8) + 12 * 4;
    QCOMPARE_LE(qAbs(pixel[0] - 10), 2);
    QCOMPARE_LE(qAbs(pixel[1] - 200), 2);
    QCOMPARE_LE(pixel[2], 2);
    QCOMPARE_LE(qAbs(pixel[3] - 90), 2);
}

void PictureReadersTest::opensWholeTextFormatsExactly() {
    QImage pattern(21, 9, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, (x * y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const TestLoader loader(64 * megabyte);
    QCOMPARE(loader.load(write("w.pgm", damaged::plainNetpbm(pattern, false))), pattern);
    QCOMPARE(loader.load(write("w.ppm", damaged::plainNetpbm(pattern, true))), pattern);
    QCOMPARE(loader.load(write("w.xbm", damaged::xbm(pattern))), pattern);
}

void PictureReadersTest::readsModuleFormatsAsTheirLibrariesDo_data() {
    QTest::addColumn<QString>("command");
    // Made by the command's last word through ImageMagick, unless another command makes e.png.
    QTest::addColumn<QString>("reference");
    const QString none;
    QTest::newRow("lossy webp") << "cwebp -quiet in.png -o p.webp" << none;
    QTest::newRow("lossless webp with alpha") << "cwebp -quiet -lossless alpha.png -o p.webp" << none;
    QTest::newRow("webp animation: its first frame on its canvas")
        << "webpmux -frame small.webp +100+8+4 -frame in.webp +100 -o p.webp" << none;
    QTest::newRow("8-bit lzw tiff with alpha") << "convert alpha.png -depth 8 -compress lzw p.tif" << none;
    QTest::newRow("16-bit deflate tiff with alpha")
        << "convert alpha.png -depth 16 -compress zip p.tif" << none;
    QTest::newRow("tiff with premultiplied alpha")
        << "convert alpha.png -depth 8 -define tiff:alpha=associated p.tif" << none;
    QTest::newRow("32-bit float tiff")
        << "convert in.png -define quantum:format=floating-point -depth 32 p.tif" << none;
    QTest::newRow("palette tiff") << "convert in.png -depth 8 -type palette p.tif" << none;
    QTest::newRow("1-bit tiff") << "convert in.png -colorspace gray -depth 1 p.tif" << none;
    QTest::newRow("8-bit grey tiff") << "convert in.png -colorspace gray -depth 8 p.tif" << none;
    QTest::newRow("8-bit min-is-white tiff") << "cp white.tif p.tif" << none;
    QTest::newRow("16-bit big-endian tiff") << "convert in16.png -depth 16 -endian MSB p.tif" << none;
    QTest::newRow("tiled tiff") << "tiffcp -t -w 32 -l 16 -c zip base.tif p.tif" << none;
    QTest::newRow("ycbcr jpeg tiff") << "tiffcp -c jpeg -r 16 base.tif p.tif" << none;
    QTest::newRow("tiff with its planes apart") << "tiffcp -p separate base.tif p.tif" << none;
    QTest::newRow("tiff of old-style lzw codes") << "cp old.tif p.tif"
                                                 << "cp in.png e.png";
    QTest::newRow("tga") << "convert in.png p.tga" << none;
    QTest::newRow("tga with alpha") << "convert alpha.png p.tga" << none;
    QTest::newRow("run-length tga with alpha") << "convert alpha.png -compress RLE p.tga" << none;
    QTest::newRow("colour-mapped tga") << "convert in.png -type Palette p.tga" << none;
    QTest::newRow("grey run-length tga") << "convert in.png -colorspace gray -compress RLE p.tga" << none;
    QTest::newRow("16-bit tga with an alpha bit") << "convert alpha.png -depth 5 p.tga" << none;
    QTest::newRow("tga from the top left") << "convert in.png -orient TopLeft p.tga" << none;
    QTest::newRow("tga from the top right") << "convert in.png -orient TopRight p.tga" << none;
    QTest::newRow("tga from the bottom right")
        << "convert in.png -orient BottomRight -compress RLE p.tga" << none;
    QTest::newRow("psd") << "convert in.png p.psd" << none;
    // ImageMagick reads back a merged picture with transparency other than it wrote it: the original is the
    // reference, as for the indexed PSDs it cannot read back at all.
    QTest::newRow("uncompressed psd with alpha") << "convert alpha.png -compress none p.psd"
                                                 << "convert alpha.png -background white -flatten e.png";
    QTest::newRow("16-bit grey psd") << "convert in.png -colorspace gray -depth 16 p.psd" << none;
    QTest::newRow("psb") << "convert in.png p.psb" << none;
    QTest::newRow("bitmap psd") << "convert in.png -monochrome -depth 1 p.psd" << none;
    QTest::newRow("indexed psd") << "convert in.png -type Palette p.psd"
                                 << "convert in.png -type Palette e.png";
    QTest::newRow("lossless jxl") << "cjxl -d 0 in.png p.jxl" << none;
    QTest::newRow("lossy jxl with alpha") << "cjxl -d 1 alpha.png p.jxl" << none;
    QTest::newRow("16-bit jxl") << "cjxl -d 0 in16.png p.jxl" << none;
    QTest::newRow("grey jxl") << "cjxl grey.png p.jxl" << none;
    QTest::newRow("jxl animation: its first frame on its canvas")
        << "cp /usr/share/libjxl-testdata/jxl/blending/cropped_traffic_light.jxl p.jxl" << none;
    QTest::newRow("lossless jp2") << "opj_compress -i in.png -o p.jp2" << none;
    QTest::newRow("lossy j2k codestream") << "opj_compress -r 20 -i in.png -o p.j2k" << none;
    QTest::newRow("jp2 with alpha") << "opj_compress -i alpha.png -o p.jp2" << none;
    QTest::newRow("16-bit jp2") << "opj_compress -i in16.png -o p.jp2" << none;
    QTest::newRow("grey jp2") << "opj_compress -i grey.png -o p.jp2" << none;
    QTest::newRow("j2k of sycc with its chroma at half the size")
        << "opj_compress -F 96,64,3,8,u@1x1:2x2:2x2 -i yuv.raw -o p.j2k" << none;
    QTest::newRow("8-bit heic") << "heif-enc -q 90 in.png -o p.heic" << none;
    QTest::newRow("10-bit heic") << "heif-enc -q 90 -b 10 coordinates16.png -o p.heic" << none;
    QTest::newRow("heic with alpha") << "heif-enc -q 90 alpha.png -o p.heic" << none;
    QTest::newRow("heic turned by its irot and its exif alike: turned once")
        << "cp turned.heic p.heic" << none;
    QTest::newRow("8-bit avif") << "avifenc -s 10 in.png p.avif" << none;
    QTest::newRow("10-bit avif with alpha") << "avifenc -s 10 -d 10 alpha16.png p.avif" << none;
    QTest::newRow("12-bit 4:4:4 avif") << "avifenc -s 10 -d 12 -y 444 coordinates16.png p.avif" << none;
    QTest::newRow("avif animation: its first frame") << "avifenc -s 10 in.png flipped.png p.avif" << none;
}

void PictureReadersTest::readsModuleFormatsAsTheirLibrariesDo() {
    QFETCH(QString, command);
    QFETCH(QString, reference);
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
        // The format's own tool decodes first where ImageMagick cannot; a PSD's first picture is its merged
        // one, and ImageMagick keeps a TGA's rows as stored, and its origin as an orientation.
        const QString decoded = referenceDecoding(tools_, command.split(' ').last());
        QVERIFY(!decoded.isEmpty());
        tools_.run(!reference.isEmpty()
                       ? reference
                       : "convert " + decoded + "[0] -auto-orient -background white -flatten -depth 8 e.png");
        expected.load(tools_.path("e.png"));
    }
    const TestLoader loader(256 * megabyte);
    // Named for another format: the content decides.
    const QImage loaded = loader.load(write("photo.jpg", bytes));
    QCOMPARE(loaded.size(), expected.size());
    QCOMPARE_LE(pictures::largestDifference(loaded, expected), 1);
    QCOMPARE(loader.budget.held(), 0);
}

void PictureReadersTest::describesWhatModuleFilesSay_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("colour"); // "profile": p.icc handed over; "srgb"; or not looked at
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");  // as decoded, unturned
    QTest::addColumn<QSize>("shown"); // as the loader shows it, turned
    QTest::addColumn<bool>("cmyk");   // orange as ink: no cyan or black, half the magenta, all the yellow
    QTest::addColumn<QString>("wideFrom"); // 16-bit samples handed over exactly as this picture holds them
    const QString none;
    const QSize any;
    tools_.save(pictures::plain(8, 8, qRgb(255, 128, 0)), "orange.png");
    QTest::newRow("cmyk tiff") << "tiff"
                               << tools_.run("convert orange.png -colorspace cmyk -depth 8 cmyk.tif") << none
                               << 1 << any << any << true << none;
    QTest::newRow("cmyk psd") << "psd" << tools_.run("convert orange.png -colorspace cmyk -depth 8 cmyk.psd")
                              << none << 1 << any << any << true << none;
    // irot's quarter turns go anticlockwise: one is EXIF's 8.
    QTest::newRow("avif turned by its irot") << "avif" << tools_.run("avifenc -s 10 --irot 1 in.png t.avif")
                                             << none << 8 << QSize(97, 64) << QSize(64, 97) << false << none;
    // The camera's turn, as LibRaw reads it, is described and not applied.
    QTest::newRow("dng turned") << "raw" << halfWhiteDng({0.2, 0.5, 0.1}, {1, 1, 1}, 6) << none << 6
                                << QSize(64, 48) << any << false << none;
    // The codestream's orientation is the one that counts, described and left for the orientation stage;
    // libjxl turns nothing, and an Exif box that says otherwise is not heard.
    tools_.write(test::writeJpeg(shading(48, 32), {.iccProfile = {}, .exif = test::exifOrientation(6, true)}),
                 "o.jpg");
    QTest::newRow("jxl turned in its codestream") << "jxl" << tools_.run("cjxl o.jpg p.jxl") << none << 6
                                                  << QSize(48, 32) << QSize(32, 48) << false << none;
    QTest::newRow("jxl whose exif box says 8")
        << "jxl"
        << jxlContainer(tools_.run("cjxl -d 0 --container=0 small.png p.jxl"),
                        test::exifOrientation(8, false))
        << none << 1 << QSize(16, 16) << QSize(16, 16) << false << none;

    const QByteArray profile = profiles::packaged("AdobeRGB1998.icc");
    if (profile.isEmpty())
        QSKIP("no packaged colour profile");
    tools_.write(profile, "p.icc");
    tools_.write(test::exifOrientation(6, true), "p.exif");
    tools_.run("webpmux -set icc p.icc in.webp -o icc.webp");
    tools_.run("convert in.png -profile p.icc icc.png");
    tools_.run("convert in16.png -profile p.icc icc16.png");
    const auto row = [&](const char* name, const char* module, const QByteArray& bytes, int orientation = 1,
                         const QString& wideFrom = {}) {
        QTest::newRow(name) << module << bytes << "profile" << orientation << any << any << false << wideFrom;
    };
    row("webp", "webp", tools_.run("webpmux -set exif p.exif icc.webp -o p.webp"), 6);
    row("tiff", "tiff", tools_.run("convert base.tif -orient LeftBottom -profile p.icc p.tif"), 8);
    row("jxl", "jxl", tools_.run("cjxl -d 0 icc.png p.jxl"));
    row("jp2", "jp2", jp2WithProfile(tools_.run("opj_compress -i in.png -o p.jp2"), profile));
    row("psd", "psd", tools_.run("convert in.png -profile p.icc p.psd"));
    row("heic", "heif", tools_.run("heif-enc -q 90 icc.png -o p.heic"));
    row("avif", "avif", tools_.run("avifenc -s 10 --icc p.icc in.png p.avif"));
    // Samples wider than a byte in a space the colour stage converts stay as wide, exactly as stored.
    row("16-bit jxl", "jxl", tools_.run("cjxl -d 0 icc16.png p.jxl"), 1, "in16.png");
    row("16-bit jp2", "jp2", jp2WithProfile(tools_.run("opj_compress -i in16.png -o p.jp2"), profile), 1,
        "in16.png");
    row("16-bit psd", "psd", tools_.run("convert in.png -depth 16 -profile p.icc p16.psd"), 1, "in.png");
    // libjxl 0.7 cannot turn its own lossy samples into a profile it has no encoding for: sRGB, rather
    // than the linear light it would otherwise give in 8 bits.
    QTest::newRow("lossy jxl") << "jxl" << tools_.run("cjxl icc.png p.jxl") << "srgb" << 1 << any << any
                               << false << none;
}

void PictureReadersTest::describesWhatModuleFilesSay() {
    QFETCH(QString, module);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, colour);
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QSize, shown);
    QFETCH(bool, cmyk);
    QFETCH(QString, wideFrom);
    const picture::DecodedPicture decoded = decodedByModule(module, bytes);
    if (colour == "profile")
        QCOMPARE(decoded.colour.iccProfile, profiles::packaged("AdobeRGB1998.icc"));
    if (colour == "srgb")
        QVERIFY(decoded.colour.srgb);
    QCOMPARE(decoded.orientation, orientation);
    if (size.isValid())
        QCOMPARE(decoded.image.size(), size);
    if (shown.isValid())
        QCOMPARE(TestLoader(64 * megabyte).load(write("photo.png", bytes)).size(), shown);
    QCOMPARE(decoded.cmyk, cmyk);
    if (cmyk)
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(decoded.image.constScanLine(4)), 4),
                 QByteArray("\0\x7F\xFF\0", 4));
    if (!wideFrom.isEmpty()) {
        QCOMPARE(decoded.image.format(), QImage::Format_RGBX64);
        QCOMPARE(quint64(decoded.image.pixelColor(50, 40).rgba64()),
                 quint64(QImage(tools_.path(wideFrom)).pixelColor(50, 40).rgba64()));
    }
}

void PictureReadersTest::readsWhatModuleFormatsSayBesideTheirPixels() {
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

    // A drawing's uncovered parts are transparent until the loader lays them on white.
    const QImage drawing =
        decodedByModule("svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"2\"/>").image;
    QCOMPARE(drawing.format(), QImage::Format_ARGB32);
    QCOMPARE(drawing.pixel(3, 1), qRgba(0, 0, 0, 0));
    // Every QOI operation, and the colour space byte that says the numbers are linear.
    const QRgb first = qRgb(16, 32, 48);
    const QRgb clear = qRgba(80, 96, 112, 0);
    const QList<QRgb> operations{first, qRgb(17, 30, 48), qRgb(29, 40, 53), clear, clear, clear, first,
                                 first};
    for (const char colourSpace : {0, 1}) {
        const picture::DecodedPicture qoi = decodedByModule("qoi", handQoi(colourSpace));
        QCOMPARE(qoi.image.size(), QSize(8, 1));
        for (int x = 0; x < 8; ++x)
            QCOMPARE(qoi.image.pixel(x, 0), operations[x]);
        QCOMPARE(qoi.colour.fileGamma, colourSpace ? 1.0 : 0.0);
    }

    // A TGA's extension area says whether its fourth bytes are alpha, whatever its descriptor says.
    const QByteArray tga = tools_.run("convert alpha.png -orient TopLeft a.tga");
    const QImage opaque = decodedByModule("tga", tgaWithAttributesType(tga, 0)).image;
    const QImage straight = decodedByModule("tga", tgaWithAttributesType(tga, 3)).image;
    const QImage translucent(tools_.path("alpha.png"));
    for (int y = 0; y < translucent.height(); ++y) {
        for (int x = 0; x < translucent.width(); ++x) {
            const QRgb stored = translucent.pixel(x, y);
            QCOMPARE(opaque.pixel(x, y), stored | 0xFF000000);
            QCOMPARE(straight.pixel(x, y), stored);
        }
    }
    QCOMPARE(opaque.format(), QImage::Format_RGB32);
    QCOMPARE(straight.format(), QImage::Format_ARGB32);
    // Premultiplied 40, 60, 100 at alpha 160 come out straight: each level times 255 / 160.
    const QRgb madeStraight = decodedByModule("tga", tgaWithAttributesType(tga, 4)).image.pixel(20, 20);
    QCOMPARE(translucent.pixel(20, 20), qRgba(40, 60, 100, 160));
    QCOMPARE(madeStraight, qRgba(64, 96, 159, 160));

    // A quarter turn anticlockwise, then top and bottom exchanged: EXIF's transpose. The clean aperture is
    // cut before it, and the nclx box described.
    const picture::DecodedPicture avif =
        decodedByModule("avif", tools_.run("avifenc -s 10 -d 10 --irot 1 --imir 0 --crop 8,4,64,48 --cicp "
                                           "12/13/6 coordinates16.png p.avif"));
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

void PictureReadersTest::showsExrLightAsItsToolsDo_data() {
    QTest::addColumn<test::LinearPixel>("pixel");
    QTest::addColumn<QList<float>>("chromaticities");
    QTest::addColumn<QRgb>("expected");
    QTest::addColumn<test::ExrChannels>("channels");
    // By the formula: linear, to sRGB's primaries through XYZ, clipped, the sRGB curve, rounded; then
    // the straight alpha laid over white.
    QTest::newRow("mid grey") << test::LinearPixel{0.5f, 0.5f, 0.5f, 1} << QList<float>{}
                              << qRgb(188, 188, 188) << test::ExrChannels{};
    QTest::newRow("over, under and near black")
        << test::LinearPixel{2, -1, 0.002f, 1} << QList<float>{} << qRgb(255, 0, 7) << test::ExrChannels{};
    QTest::newRow("half covered, premultiplied") << test::LinearPixel{0.25f, 0.1f, 0, 0.5f} << QList<float>{}
                                                 << qRgb(221, 189, 127) << test::ExrChannels{};
    QTest::newRow("rec. 2020 primaries")
        << test::LinearPixel{0.2f, 0.3f, 0.1f, 1}
        << QList<float>{0.708f, 0.292f, 0.170f, 0.797f, 0.131f, 0.046f, 0.3127f, 0.3290f}
        << qRgb(107, 152, 79) << test::ExrChannels{};
    QTest::newRow("a d50 white, not adapted")
        << test::LinearPixel{0.5f, 0.5f, 0.5f, 1}
        << QList<float>{0.64f, 0.33f, 0.3f, 0.6f, 0.15f, 0.06f, 0.3457f, 0.3585f} << qRgb(202, 185, 162)
        << test::ExrChannels{};
    // Files of layers alone show the first layer with colour, in the file's (alphabetical) order.
    const test::LinearPixel colour{0.25f, 0.1f, 0, 0.5f};
    QTest::newRow("a layer alone") << colour << QList<float>{} << qRgb(221, 189, 127)
                                   << test::ExrChannels{{"Layer 1.A", 'A'},
                                                        {"Layer 1.B", 'B'},
                                                        {"Layer 1.G", 'G'},
                                                        {"Layer 1.R", 'R'}};
    QTest::newRow("the first of two layers")
        << colour << QList<float>{} << qRgb(221, 189, 127)
        << test::ExrChannels{{"diffuse.A", 'A'},  {"diffuse.B", 'B'},  {"diffuse.G", 'G'},
                             {"diffuse.R", 'R'},  {"specular.A", 'A'}, {"specular.B", 'R'},
                             {"specular.G", 'R'}, {"specular.R", 'B'}};
    QTest::newRow("a layer after one of depth alone")
        << colour << QList<float>{} << qRgb(221, 189, 127)
        << test::ExrChannels{
               {"depth.Z", 'R'}, {"view.A", 'A'}, {"view.B", 'B'}, {"view.G", 'G'}, {"view.R", 'R'}};
}

void PictureReadersTest::showsExrLightAsItsToolsDo() {
    QFETCH(test::LinearPixel, pixel);
    QFETCH(QList<float>, chromaticities);
    QFETCH(QRgb, expected);
    QFETCH(test::ExrChannels, channels);
    // The pixel where x + 2y is a multiple of 5, nothing (white) elsewhere: where each line lands shows.
    const auto here = [](int x, int y) { return (x + 2 * y) % 5 == 0; };
    test::ExrShape shape(40, 37, [pixel, here](int x, int y) {
        return here(x, y) ? pixel : test::LinearPixel{0, 0, 0, 0};
    });
    if (!chromaticities.isEmpty())
        std::copy(chromaticities.begin(), chromaticities.end(), shape.chromaticities.emplace().begin());
    shape.channels = channels;
    for (const bool zip : {true, false}) {
        shape.zip = zip;
        const QImage loaded = TestLoader(64 * megabyte).load(write("p.exr", test::writeExr(shape)));
        QCOMPARE(loaded.size(), QSize(40, 37));
        for (int y = 0; y < 37; ++y)
            for (int x = 0; x < 40; ++x)
                QCOMPARE(loaded.pixel(x, y), here(x, y) ? expected : qRgb(255, 255, 255));
    }
}

void PictureReadersTest::showsPsdDocumentsOfEveryMode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected"); // null: "Unsupported picture format"
    // Two pixels in a row, a channel's samples given for both.
    const auto psd = [](int mode, int depth, std::vector<QByteArray> channels) {
        test::PsdFile file;
        file.width = 2;
        file.mode = mode;
        file.depth = depth;
        file.channels = std::move(channels);
        return file;
    };
    const auto shown = [](std::initializer_list<QRgb> pixels) {
        QImage image(int(pixels.size()), 1, QImage::Format_RGB32);
        int x = 0;
        for (const QRgb p : pixels)
            image.setPixel(x++, 0, p);
        return image;
    };
    using test::psdSamples8, test::psdSamples16, test::psdSamples32;
    // The most channels the format allows: 3 of colour, 53 more; the row lengths of all come first.
    test::PsdFile many = psd(3, 8, {psdSamples8({10, 200}), psdSamples8({20, 100}), psdSamples8({30, 0})});
    for (int extra = 0; extra < 53; ++extra)
        many.channels.push_back(psdSamples8({extra, 255 - extra}));
    QTest::newRow("rgb with 53 extra channels")
        << many.bytes() << shown({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    many.packed = true;
    QTest::newRow("packed rgb with 53 extra channels")
        << many.bytes() << shown({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    // CIE L*a*b*: white, and sRGB's red under D50, within the rounding of 8-bit L*.
    const QImage labShown = shown({qRgb(255, 255, 255), qRgb(255, 0, 0)});
    QTest::newRow("lab")
        << psd(9, 8, {psdSamples8({255, 138}), psdSamples8({128, 209}), psdSamples8({128, 198})}).bytes()
        << labShown;
    QTest::newRow("16-bit lab") << psd(9, 16,
                                       {psdSamples16({65535, 35466}), psdSamples16({32896, 53713}),
                                        psdSamples16({32896, 50886})})
                                       .bytes()
                                << labShown;
    test::PsdFile clearLab =
        psd(9, 8,
            {psdSamples8({0, 138}), psdSamples8({128, 209}), psdSamples8({128, 198}), psdSamples8({0, 255})});
    clearLab.transparency = true;
    QTest::newRow("lab with transparency") << clearLab.bytes() << labShown;
    // Linear light, clipped, through sRGB's curve, as OpenEXR's is shown.
    QTest::newRow("32-bit rgb") << psd(3, 32,
                                       {psdSamples32({0.5f, 2}), psdSamples32({0.5f, -1}),
                                        psdSamples32({0.5f, 0.002f})})
                                       .bytes()
                                << shown({qRgb(188, 188, 188), qRgb(255, 0, 7)});
    QTest::newRow("32-bit grey") << psd(1, 32, {psdSamples32({0.5f, 0.05f})}).bytes()
                                 << shown({qRgb(188, 188, 188), qRgb(63, 63, 63)});
    // Duotone shows its merged grey tones; multichannel its first plate, as grey.
    test::PsdFile duotone = psd(8, 8, {psdSamples8({100, 250})});
    duotone.colourModeData = QByteArray(40, '\x01');
    QTest::newRow("duotone") << duotone.bytes() << shown({qRgb(100, 100, 100), qRgb(250, 250, 250)});
    QTest::newRow("multichannel") << psd(7, 8, {psdSamples8({40, 90}), psdSamples8({255, 0})}).bytes()
                                  << shown({qRgb(40, 40, 40), qRgb(90, 90, 90)});
    // Its Exif resource says the camera was turned a quarter: shown upright, turned once.
    test::PsdFile turned = psd(3, 8, {psdSamples8({255, 0}), psdSamples8({0, 0}), psdSamples8({0, 255})});
    turned.resources = {{1058, test::exifOrientation(6, true)}};
    QImage upright(1, 2, QImage::Format_RGB32);
    upright.setPixel(0, 0, qRgb(255, 0, 0));
    upright.setPixel(0, 1, qRgb(0, 0, 255));
    QTest::newRow("turned by its exif") << turned.bytes() << upright;
    QTest::newRow("a mode that does not exist") << psd(5, 8, {psdSamples8({1, 2})}).bytes() << QImage();
}

void PictureReadersTest::showsPsdDocumentsOfEveryMode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    const TestLoader loader(64 * megabyte);
    QImage loaded;
    QCOMPARE(failureOf([&] { loaded = loader.load(write("p.psd", bytes)); }),
             expected.isNull() ? QStringLiteral("Unsupported picture format") : QString());
    if (expected.isNull())
        return;
    QCOMPARE(loaded.size(), expected.size());
    QCOMPARE_LE(pictures::largestDifference(loaded, expected), 2);
}

void PictureReadersTest::developsCameraRawToTheLevelsItHolds_data() {
    // Red, green, blue, the as-shot neutral's red and blue, then the grey of the other half. The brightest
    // level of any colour becomes white.
    QTest::addColumn<QList<double>>("levels");
    QTest::newRow("colour, balanced as shot") << QList<double>{0.2, 0.5, 0.1, 1, 1, 1};
    QTest::newRow("colour under a warm light") << QList<double>{0.2, 0.5, 0.1, 0.5, 0.8, 1};
    QTest::newRow("dark grey under a cold light") << QList<double>{0.05, 0.05, 0.05, 0.9, 0.4, 1};
    QTest::newRow("a dim picture, brightened") << QList<double>{0.1, 0.15, 0.05, 1, 1, 0.2};
    QTest::newRow("green brighter than the grey") << QList<double>{0.2, 0.9, 0.1, 1, 1, 0.5};
    QTest::newRow("blue brighter than the grey") << QList<double>{0.1, 0.2, 0.9, 1, 1, 0.5};
}

void PictureReadersTest::developsCameraRawToTheLevelsItHolds() {
    QFETCH(QList<double>, levels);
    // LibRaw's BT.709 curve, to its white point, in 8 bits.
    const auto curved = [](double linear) {
        return std::min(255, int(256 * (linear < 0.018054 ? linear * 4.5
                                                          : 1.099297 * std::pow(linear, 0.45) - 0.099297)));
    };
    const double grey = levels[5];
    const double white = std::max({levels[0], levels[1], levels[2], grey});
    const QByteArray bytes =
        halfWhiteDng({levels[0], levels[1], levels[2]}, {levels[3], 1, levels[4]}, 1, grey);
    const QImage loaded = TestLoader(64 * megabyte).load(write("photo.jpg", bytes));
    QCOMPARE(loaded.size(), QSize(64, 48));
    QImage expected(32, 48, QImage::Format_RGB32);
    expected.fill(qRgb(curved(levels[0] / white), curved(levels[1] / white), curved(levels[2] / white)));
    QCOMPARE_LE(pictures::largestDifference(loaded.copy(0, 0, 28, 48), expected.copy(0, 0, 28, 48)), 2);
    expected.fill(qRgb(curved(grey / white), curved(grey / white), curved(grey / white)));
    QCOMPARE_LE(pictures::largestDifference(loaded.copy(36, 0, 28, 48), expected.copy(0, 0, 28, 48)), 2);
}

void PictureReadersTest::drawsSvgAtItsIntrinsicSizeOnWhite_data() {
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QRgb>("colour");
    const QByteArray square("<rect x=\"10\" y=\"5\" width=\"10\" height=\"10\" fill=\"#ff0000\"/></svg>");
    const auto svg = [&square](const char* root) {
        return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" ") + root + ">" + square;
    };
    const QRgb red = qRgb(255, 0, 0);
    QTest::newRow("pixels") << svg("width=\"40\" height=\"30px\"") << QSize(40, 30) << QPoint(15, 10) << red;
    QTest::newRow("inches") << svg("width=\"0.5in\" height=\"0.25in\"") << QSize(48, 24) << QPoint(19, 14)
                            << red;
    QTest::newRow("the viewBox without a size")
        << svg("viewBox=\"0 0 50 20\"") << QSize(50, 20) << QPoint(15, 10) << red;
    QTest::newRow("percentages take the viewBox")
        << svg("width=\"100%\" height=\"50%\" viewBox=\"0 0 24 16\"") << QSize(24, 16) << QPoint(15, 10)
        << red;
    QTest::newRow("a width with the viewBox's proportions")
        << svg("width=\"60\" viewBox=\"0 0 30 10\"") << QSize(60, 20) << QPoint(38, 14) << red;
    QTest::newRow("a square viewBox fitted in the middle of a wide picture")
        << svg("width=\"60\" height=\"20\" viewBox=\"10 5 10 10\"") << QSize(60, 20) << QPoint(30, 10) << red;
    QTest::newRow("a square viewBox stretched")
        << svg("width=\"60\" height=\"20\" viewBox=\"10 0 10 10\" preserveAspectRatio=\"none\"")
        << QSize(60, 20) << QPoint(2, 18) << red;
    QTest::newRow("a drawing that covers its canvas")
        << svg("width=\"40\" height=\"30\"><rect width=\"40\" height=\"30\" fill=\"#ffffff\"/")
        << QSize(40, 30) << QPoint(15, 10) << red;
    QTest::newRow("after a declaration, a comment and a document type with an entity")
        << QByteArray(
               "<?xml version=\"1.0\"?>\n<!-- drawn by hand -->\n<!DOCTYPE svg [ <!ENTITY ink \"#0000ff\"> "
               "]>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"><rect x=\"4\" width=\"4\" "
               "height=\"8\" fill=\"&ink;\"/></svg>")
        << QSize(8, 8) << QPoint(6, 4) << qRgb(0, 0, 255);
    QTest::newRow("a nested viewport clips what it holds")
        << svg("width=\"40\" height=\"30\"><svg x=\"20\" width=\"20\" height=\"30\"><rect x=\"-20\" "
               "width=\"40\" height=\"30\" fill=\"#0000ff\"/></svg")
        << QSize(40, 30) << QPoint(30, 10) << qRgb(0, 0, 255);
    QTest::newRow("a clip path on the root")
        << svg("width=\"40\" height=\"30\" clip-path=\"url(#c)\"><clipPath id=\"c\"><circle cx=\"30\" "
               "cy=\"15\" r=\"8\"/></clipPath><rect width=\"40\" height=\"30\" fill=\"#0000ff\"/")
        << QSize(40, 30) << QPoint(30, 15) << qRgb(0, 0, 255);
    // Beyond the widest surface cairo makes, so drawn in two parts.
    QTest::newRow("wider than 32767 pixels")
        << svg("width=\"40000\" height=\"30\" viewBox=\"-20 0 40 30\" preserveAspectRatio=\"none\"")
        << QSize(40000, 30) << QPoint(36000, 10) << red;
}

void PictureReadersTest::drawsSvgAtItsIntrinsicSizeOnWhite() {
    QFETCH(QByteArray, svg);
    QFETCH(QSize, size);
    QFETCH(QPoint, inside);
    QFETCH(QRgb, colour);
    const QImage loaded = TestLoader(64 * megabyte).load(write("drawing.png", svg));
    QCOMPARE(loaded.size(), size);
    QCOMPARE(loaded.pixel(1, 1), qRgb(255, 255, 255));
    QCOMPARE_LE(
        pictures::largestDifference(loaded.copy(QRect(inside, QSize(1, 1))), pictures::plain(1, 1, colour)),
        1);
}

void PictureReadersTest::drawsSvgWithoutReadingOtherFiles() {
    const QByteArray red = pictures::encoded(pictures::plain(4, 4, qRgb(255, 0, 0)), "png");
    write("red.png", red);
    write("red.svg",
          "<svg xmlns=\"http://www.w3.org/2000/svg\"><linearGradient id=\"g\"><stop stop-color=\"red\"/>"
          "</linearGradient></svg>");
    write("red.css", "rect { fill: red }");
    const QString root = QStringLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"8\" "
        "height=\"8\">");
    const QString white = QStringLiteral("<rect width=\"8\" height=\"8\" fill=\"#fff\"/></svg>");
    const QString image = root + "<image width=\"8\" height=\"8\" xlink:href=\"%1\"/></svg>";
    // Each paints the middle red with the file it names, were that file read.
    const QString drawings[] = {
        image.arg("%1red.png"),
        root + "<rect width=\"8\" height=\"8\" fill=\"url(%1red.svg#g)\"/></svg>",
        root + "<style>@import url(%1red.css);</style>" + white,
        "<?xml-stylesheet type=\"text/css\" href=\"%1red.css\"?>" + root + white,
    };
    const TestLoader loader(64 * megabyte);
    for (const QString& place :
         {dir_.path() + '/', QString(), QUrl::fromLocalFile(dir_.path()).toString() + '/'})
        for (const QString& drawing : drawings)
            QCOMPARE(loader.load(write("other.svg", drawing.arg(place).toUtf8())).pixel(4, 4),
                     qRgb(255, 255, 255));
    // A picture inside the document is part of it.
    const QString inside = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(red.toBase64());
    QCOMPARE(loader.load(write("inside.svg", image.arg(inside).toUtf8())).pixel(4, 4), qRgb(255, 0, 0));
}

QTEST_MAIN(PictureReadersTest)
#include "picture_readers_test.moc"
