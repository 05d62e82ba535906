#include "support/DamagedPictures.h"
#include "support/DngFile.h"
#include "support/ExrWriter.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/ProcessMemory.h"
#include "support/PsdFile.h"
#include "support/ReaderTest.h"

#include "picture/formats/modules/jpeg/JpegBandStream.h"
#include "picture/formats/modules/jpeg/JpegReader.h"

#include <QUrl>
#include <QtEndian>

#include <cmath>
#include <utility>

Q_DECLARE_METATYPE(test::LinearPixel)
Q_DECLARE_METATYPE(test::ExrChannels)

// The pixels each reader gives: as the format's own library or tool decodes them, exactly where the
// format is exact, and straight into the final picture.
class PicturePixelsTest : public ReaderTest {
    Q_OBJECT

private slots:
    void decodesRestartMarkedJpegExactly_data();
    void decodesRestartMarkedJpegExactly();
    void renumbersRestartMarkersAcrossPieces_data();
    void renumbersRestartMarkersAcrossPieces();
    void decodesWideSamplesStraightIntoTheFinalPixels_data();
    void decodesWideSamplesStraightIntoTheFinalPixels();
    void decodesAlikeOnOneCoreAndOnSeveral_data();
    void decodesAlikeOnOneCoreAndOnSeveral();
    void readsLosslessFilesExactly_data();
    void readsLosslessFilesExactly();
    void readsModuleFormatsAsTheirLibrariesDo_data();
    void readsModuleFormatsAsTheirLibrariesDo();
    void showsExrLightAsItsToolsDo_data();
    void showsExrLightAsItsToolsDo();
    void showsPsdDocumentsOfEveryMode_data();
    void showsPsdDocumentsOfEveryMode();
    void developsCameraRawToTheLevelsItHolds_data();
    void developsCameraRawToTheLevelsItHolds();
    void drawsSvgAtItsIntrinsicSizeOnWhite_data();
    void drawsSvgAtItsIntrinsicSizeOnWhite();
    void drawsSvgWithoutReadingOtherFiles();
};

namespace {

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

} // namespace

void PicturePixelsTest::decodesRestartMarkedJpegExactly_data() {
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

void PicturePixelsTest::decodesRestartMarkedJpegExactly() {
    QFETCH(QSize, size);
    QFETCH(bool, cmyk);
    QFETCH(int, restartInterval);
    QFETCH(bool, fill);
    // Restart markers change how the scan is coded, not what it holds: the same picture written without
    // them, decoded whole, is what the marked one must give, however it is decoded.
    const QImage picture = pictures::shading(size.width(), size.height());
    QByteArray bytes = test::writeJpeg(picture, {.cmyk = cmyk, .restartInterval = restartInterval});
    for (char code = '\xD0'; fill && code <= '\xD7'; ++code)
        bytes.replace(QByteArray("\xFF") + code, QByteArray("\xFF\xFF") + code);
    const picture::DecodedPicture marked = decodedBy(picture::JpegReader::decode, bytes);
    const picture::DecodedPicture whole =
        decodedBy(picture::JpegReader::decode, test::writeJpeg(picture, {.cmyk = cmyk}));
    QCOMPARE(marked.image, whole.image);
}

void PicturePixelsTest::renumbersRestartMarkersAcrossPieces_data() {
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

void PicturePixelsTest::renumbersRestartMarkersAcrossPieces() {
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

void PicturePixelsTest::decodesWideSamplesStraightIntoTheFinalPixels_data() {
    QTest::addColumn<bool>("colour");
    QTest::newRow("16-bit grey") << false;
    QTest::newRow("16-bit colour with a transparent colour") << true;
}

void PicturePixelsTest::decodesWideSamplesStraightIntoTheFinalPixels() {
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

void PicturePixelsTest::readsLosslessFilesExactly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    QImage pattern(21, 9, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, (x * y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QTest::newRow("whole plain pgm") << "w.pgm" << damaged::plainNetpbm(pattern, false) << pattern;
    QTest::newRow("whole plain ppm") << "w.ppm" << damaged::plainNetpbm(pattern, true) << pattern;
    QTest::newRow("whole xbm") << "w.xbm" << damaged::xbm(pattern) << pattern;
    // The encoder's frame, behind a graphic control extension naming index 0 transparent, on a logical
    // screen larger than the frame: what it does not cover is laid on white.
    const QImage coloured = pictures::coordinates(16, 16);
    QByteArray gif = pictures::encoded(coloured, "gif");
    gif.insert(13 + 3 * 256, QByteArray("\x21\xF9\x04\x01\0\0\0\0", 8));
    qToLittleEndian(quint16(20), gif.data() + 6);
    const QImage indexed = coloured.convertToFormat(QImage::Format_Indexed8);
    QImage overWhite(20, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            overWhite.setPixel(
                x, y, x >= 16 || indexed.pixelIndex(x, y) == 0 ? qRgb(255, 255, 255) : coloured.pixel(x, y));
    QTest::newRow("gif with a transparent colour") << "t.gif" << gif << overWhite;
    // True colour with a colour map its pixels do not use, known by its footer: the map is passed over.
    QTest::newRow("tga with a colour map it does not use")
        << "m.tga"
        << QByteArray(
               "\0\x01\x02\0\0\x02\0\x18\0\0\0\0\x02\0\x01\0\x18\x20\x11\x22\x33\x44\x55\x66\0\0\xFF\0\0\xFF"
               "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0",
               56)
        << pictures::plain(2, 1, qRgb(255, 0, 0));
}

void PicturePixelsTest::decodesAlikeOnOneCoreAndOnSeveral_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // Large enough for every library to split it: several tiles, groups, code-blocks and chunks.
    tools_.save(pictures::coordinates(1200, 900), "large.png");
    const auto made = [this](const char* row, const QString& command) {
        QTest::newRow(row) << command.split(' ').last() << tools_.run(command);
    };
    made("avif in four tiles", "avifenc -s 10 --tilerowslog2 1 --tilecolslog2 1 large.png p.avif");
    made("jpeg 2000", "opj_compress -i large.png -o p.jp2");
    made("heic", "heif-enc -q 50 large.png -o p.heic");
    made("jpeg xl", "cjxl large.png p.jxl");
    QTest::newRow("openexr") << "p.exr" << test::writeExr(test::ExrShape(400, 300, [](int x, int y) {
        return test::LinearPixel{x / 400.0f, y / 300.0f, 0.25f, 1};
    }));
}

void PicturePixelsTest::decodesAlikeOnOneCoreAndOnSeveral() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = write(name, bytes);
    const QImage one = TestLoader(256 * megabyte, sandboxedFormats(), 1).load(path);
    QVERIFY(!one.isNull());
    QCOMPARE(TestLoader(256 * megabyte, sandboxedFormats(), 4).load(path), one);
}

void PicturePixelsTest::readsLosslessFilesExactly() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    QCOMPARE(TestLoader(64 * megabyte).load(write(name, bytes)), expected);
}

void PicturePixelsTest::readsModuleFormatsAsTheirLibrariesDo_data() {
    QTest::addColumn<QString>("command");
    // Made by the command's last word through ImageMagick, unless another command makes e.png.
    QTest::addColumn<QString>("reference");
    const auto row = [](const char* name, const char* command, const char* reference = "") {
        QTest::newRow(name) << QString(command) << QString(reference);
    };
    row("lossy webp", "cwebp -quiet in.png -o p.webp");
    row("lossless webp with alpha", "cwebp -quiet -lossless alpha.png -o p.webp");
    row("webp animation: its first frame on its canvas",
        "webpmux -frame small.webp +100+8+4 -frame in.webp +100 -o p.webp");
    row("8-bit lzw tiff with alpha", "convert alpha.png -depth 8 -compress lzw p.tif");
    row("16-bit deflate tiff with alpha", "convert alpha.png -depth 16 -compress zip p.tif");
    row("tiff with premultiplied alpha", "convert alpha.png -depth 8 -define tiff:alpha=associated p.tif");
    row("32-bit float tiff", "convert in.png -define quantum:format=floating-point -depth 32 p.tif");
    row("palette tiff", "convert in.png -depth 8 -type palette p.tif");
    row("1-bit tiff", "convert in.png -colorspace gray -depth 1 p.tif");
    row("8-bit grey tiff", "convert in.png -colorspace gray -depth 8 p.tif");
    row("8-bit min-is-white tiff", "cp white.tif p.tif");
    row("16-bit big-endian tiff", "convert in16.png -depth 16 -endian MSB p.tif");
    row("tiled tiff", "tiffcp -t -w 32 -l 16 -c zip base.tif p.tif");
    row("ycbcr jpeg tiff", "tiffcp -c jpeg -r 16 base.tif p.tif");
    row("tiff with its planes apart", "tiffcp -p separate base.tif p.tif");
    row("tiff of old-style lzw codes", "cp old.tif p.tif", "cp in.png e.png");
    row("tga", "convert in.png p.tga");
    row("tga with alpha", "convert alpha.png p.tga");
    row("run-length tga with alpha", "convert alpha.png -compress RLE p.tga");
    row("colour-mapped tga", "convert in.png -type Palette p.tga");
    row("grey run-length tga", "convert in.png -colorspace gray -compress RLE p.tga");
    row("16-bit tga with an alpha bit", "convert alpha.png -depth 5 p.tga");
    row("tga from the top left", "convert in.png -orient TopLeft p.tga");
    row("tga from the top right", "convert in.png -orient TopRight p.tga");
    row("tga from the bottom right", "convert in.png -orient BottomRight -compress RLE p.tga");
    row("psd", "convert in.png p.psd");
    // ImageMagick reads back a merged picture with transparency other than it wrote it: the original is the
    // reference, as for the indexed PSDs it cannot read back at all.
    row("uncompressed psd with alpha", "convert alpha.png -compress none p.psd",
        "convert alpha.png -background white -flatten e.png");
    row("16-bit grey psd", "convert in.png -colorspace gray -depth 16 p.psd");
    row("psb", "convert in.png p.psb");
    row("bitmap psd", "convert in.png -monochrome -depth 1 p.psd");
    row("indexed psd", "convert in.png -type Palette p.psd", "convert in.png -type Palette e.png");
    row("lossless jxl", "cjxl -d 0 in.png p.jxl");
    row("lossy jxl with alpha", "cjxl -d 1 alpha.png p.jxl");
    row("16-bit jxl", "cjxl -d 0 in16.png p.jxl");
    row("grey jxl", "cjxl grey.png p.jxl");
    row("jxl animation: its first frame on its canvas",
        "cp /usr/share/libjxl-testdata/jxl/blending/cropped_traffic_light.jxl p.jxl");
    row("lossless jp2", "opj_compress -i in.png -o p.jp2");
    row("lossy j2k codestream", "opj_compress -r 20 -i in.png -o p.j2k");
    row("jp2 with alpha", "opj_compress -i alpha.png -o p.jp2");
    row("16-bit jp2", "opj_compress -i in16.png -o p.jp2");
    row("grey jp2", "opj_compress -i grey.png -o p.jp2");
    row("j2k of sycc with its chroma at half the size",
        "opj_compress -F 96,64,3,8,u@1x1:2x2:2x2 -i yuv.raw -o p.j2k");
    row("8-bit heic", "heif-enc -q 90 in.png -o p.heic");
    row("10-bit heic", "heif-enc -q 90 -b 10 coordinates16.png -o p.heic");
    row("heic with alpha", "heif-enc -q 90 alpha.png -o p.heic");
    row("heic turned by its irot and its exif alike: turned once", "cp turned.heic p.heic");
    row("8-bit avif", "avifenc -s 10 in.png p.avif");
    row("10-bit avif with alpha", "avifenc -s 10 -d 10 alpha16.png p.avif");
    row("12-bit 4:4:4 avif", "avifenc -s 10 -d 12 -y 444 coordinates16.png p.avif");
    row("avif animation: its first frame", "avifenc -s 10 in.png flipped.png p.avif");
}

void PicturePixelsTest::readsModuleFormatsAsTheirLibrariesDo() {
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

void PicturePixelsTest::showsExrLightAsItsToolsDo_data() {
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

void PicturePixelsTest::showsExrLightAsItsToolsDo() {
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

void PicturePixelsTest::showsPsdDocumentsOfEveryMode_data() {
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

void PicturePixelsTest::showsPsdDocumentsOfEveryMode() {
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

void PicturePixelsTest::developsCameraRawToTheLevelsItHolds_data() {
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

void PicturePixelsTest::developsCameraRawToTheLevelsItHolds() {
    QFETCH(QList<double>, levels);
    // LibRaw's BT.709 curve, to its white point, in 8 bits.
    const auto curved = [](double linear) {
        return std::min(255, int(256 * (linear < 0.018054 ? linear * 4.5
                                                          : 1.099297 * std::pow(linear, 0.45) - 0.099297)));
    };
    const double grey = levels[5];
    const double white = std::max({levels[0], levels[1], levels[2], grey});
    const QByteArray bytes =
        dng::halfWhite({levels[0], levels[1], levels[2]}, {levels[3], 1, levels[4]}, 1, grey);
    const QImage loaded = TestLoader(64 * megabyte).load(write("photo.jpg", bytes));
    QCOMPARE(loaded.size(), QSize(64, 48));
    QImage expected(32, 48, QImage::Format_RGB32);
    expected.fill(qRgb(curved(levels[0] / white), curved(levels[1] / white), curved(levels[2] / white)));
    QCOMPARE_LE(pictures::largestDifference(loaded.copy(0, 0, 28, 48), expected.copy(0, 0, 28, 48)), 2);
    expected.fill(qRgb(curved(grey / white), curved(grey / white), curved(grey / white)));
    QCOMPARE_LE(pictures::largestDifference(loaded.copy(36, 0, 28, 48), expected.copy(0, 0, 28, 48)), 2);
}

void PicturePixelsTest::drawsSvgAtItsIntrinsicSizeOnWhite_data() {
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

void PicturePixelsTest::drawsSvgAtItsIntrinsicSizeOnWhite() {
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

void PicturePixelsTest::drawsSvgWithoutReadingOtherFiles() {
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

QTEST_MAIN(PicturePixelsTest)
#include "picture_pixels_test.moc"
