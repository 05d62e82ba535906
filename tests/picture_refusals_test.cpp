#include "support/DamagedPictures.h"
#include "support/DngFile.h"
#include "support/ExrWriter.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/PatchedBytes.h"
#include "support/ProcessMemory.h"
#include "support/QoiFile.h"
#include "support/ReaderTest.h"

#include <QtEndian>

// What the readers refuse, and before what: damage inside compressed data, headers beyond the memory
// budget, frames far larger than their files, scans past any encoder's count.
class PictureRefusalsTest : public ReaderTest {
    Q_OBJECT

private slots:
    void refusesDamageInsideTheData_data();
    void refusesDamageInsideTheData();
    void refusesHeadersBeyondTheBudget_data();
    void refusesHeadersBeyondTheBudget();
    void boundsTheScansOfProgressiveJpeg();
    void refusesWhatALibraryAllocatesBeyondItsClaim();
};

namespace {

test::JpegShape progressive(int refinementBits) {
    return {.progressiveRefinementBits = refinementBits, .cmyk = false, .iccProfile = {}, .exif = {}};
}

// The same WebP with its RIFF and only chunk's sizes matching a cut that keeps two thirds.
QByteArray webpCutWithSizesMended(QByteArray webp) {
    webp.truncate(webp.size() * 2 / 3 & ~1);
    qToLittleEndian(quint32(webp.size() - 8), webp.data() + 4);
    qToLittleEndian(quint32(webp.size() - 20), webp.data() + 16);
    return webp;
}

// The same bytes with 16 of them inverted from `at`, or from two thirds of the way.
QByteArray withFlippedBytes(QByteArray bytes, qsizetype at = -1) {
    at = at < 0 ? bytes.size() * 2 / 3 : at;
    for (qsizetype i = at; i < at + 16; ++i)
        bytes[i] = char(~bytes[i]);
    return bytes;
}

// Where a PSD's merged picture begins: its compression, then its rows.
qsizetype psdMergedData(const QByteArray& psd) {
    qsizetype at = 26;
    for (int section = 0; section < 3; ++section)
        at += 4 + qFromBigEndian<quint32>(psd.constData() + at);
    return at;
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

void PictureRefusalsTest::refusesDamageInsideTheData_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = pictures::encoded(pictures::shading(), "jpeg");
    QTest::newRow("jpeg with 24 scan bytes flipped")
        << "a.jpg" << damaged::jpegWithFlippedScanBytes(jpeg, 24);
    QTest::newRow("jpeg with a third of its scan zeroed")
        << "a.jpg" << damaged::jpegWithZeroedScanThird(jpeg);
    QTest::newRow("jpeg cut halfway with its end marker") << "a.jpg" << damaged::jpegCutWithEndMarker(jpeg);
    // Decoded in bands, a marker after each of its 63 MCU rows; on two cores the second band's rows begin
    // after marker 30.
    const QByteArray banded = test::writeJpeg(pictures::shading(1300, 1000), {.restartInterval = 82});
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
    const QByteArray qoi = test::qoiOfEveryOperation(0);
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
    // Files far too short for the frames they declare, named short.*.
    QTest::newRow("jpeg claiming 23000 x 23000")
        << "short.jpg" << damaged::jpegClaiming(pictures::encoded(pictures::shading(), "jpeg"), 23000, 23000);
    QTest::newRow("qoi claiming 23000 x 23000")
        << "short.qoi" << withSizes(test::qoiOfEveryOperation(0), 4, 23000, 23000);
    for (const char* compression : {"RLE", "None"}) {
        const QByteArray tga =
            tools_.run(QStringLiteral("convert small.png -compress %1 a.tga").arg(compression));
        QTest::addRow("tga claiming 23000 x 23000, %s", compression)
            << "short.tga" << patched(patched(tga, 12, quint16(23000)), 14, quint16(23000));
    }
    // 2048 packets of one pixel each, a quarter of the pixels 1024 x 512 needs even at 128 a packet.
    QTest::newRow("tga of short packets")
        << "short.tga"
        << QByteArray("\0\0\x0A\0\0\0\0\0\0\0\0\0\0\x04\0\x02\x18\x20", 18) +
               QByteArray("\x80\x01\x02\x03", 4).repeated(2048);
    for (const char* compression : {"RLE", "None"}) {
        QTest::addRow("psd claiming 23000 x 23000, %s", compression)
            << "short.psd"
            << withSizes(tools_.run(QStringLiteral("convert small.png -compress %1 a.psd").arg(compression)),
                         14, 23000, 23000);
    }
}

void PictureRefusalsTest::refusesDamageInsideTheData() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const TestLoader loader(2047 * megabyte);
    QCOMPARE(failureOf([&] { loader.load(write(name, bytes)); }), "Invalid picture");
    QCOMPARE(loader.budget.held(), 0);
    // Within the budget, but far too short for the pixels declared: refused before they are allocated.
    if (name.startsWith("short."))
        QCOMPARE_LT(loader.budget.peak(), megabyte);
}

void PictureRefusalsTest::refusesHeadersBeyondTheBudget_data() {
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
        << "a.jpg"
        << damaged::jpegClaiming(pictures::encoded(pictures::shading(), "jpeg"), 5000, 4000).left(200);
    QTest::newRow("webp") << "a.webp" << tools_.run("cwebp -quiet -lossless small.png -o a.webp");
    QTest::newRow("tiff") << "a.tif" << tools_.run("tiffcp -c zip base.tif a.tif");
    QTest::newRow("dng") << "a.dng" << dng::halfWhite({0.2, 0.5, 0.1}, {1, 1, 1});
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
    QTest::newRow("qoi") << "a.qoi" << withSizes(test::qoiOfEveryOperation(0), 4, 5000, 4000);
    const QByteArray tga = tools_.run("convert small.png -compress RLE a.tga");
    QTest::newRow("tga") << "a.tga" << patched(patched(tga, 12, quint16(5000)), 14, quint16(4000));
    // Its height first.
    QTest::newRow("psd") << "a.psd" << withSizes(tools_.run("convert small.png a.psd"), 14, 4000, 5000);
    QTest::newRow("heic") << "a.heic"
                          << isoMediaClaiming(tools_.run("heif-enc -q 90 small.png -o a.heic"), 5000, 4000);
    QTest::newRow("avif") << "a.avif"
                          << isoMediaClaiming(tools_.run("avifenc -s 10 small.png a.avif"), 5000, 4000);
}

void PictureRefusalsTest::refusesHeadersBeyondTheBudget() {
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

void PictureRefusalsTest::boundsTheScansOfProgressiveJpeg() {
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

// A file of a few hundred bytes whose library fills a gigabyte of its own before the picture: refused in
// the reader's process, the budget and this process untouched.
void PictureRefusalsTest::refusesWhatALibraryAllocatesBeyondItsClaim() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the address sanitizer maps terabytes of shadow memory: the helper's address space is not held");
#endif
    const auto white = [](int, int) { return test::LinearPixel{1, 1, 1, 1}; };
    const QByteArray exr =
        damaged::exrWithPreviewOf(test::writeExr(test::ExrShape(16, 16, white)), 16000, 16000);
    const TestLoader loader(2047 * megabyte);
    const PeakMemoryWatch memory;
    QCOMPARE(failureOf([&] { loader.load(write("a.exr", exr)); }), "Out of memory");
    QCOMPARE_LT(memory.growth(), 32 * megabyte);
    QCOMPARE(loader.budget.held(), 0);
}

QTEST_MAIN(PictureRefusalsTest)
#include "picture_refusals_test.moc"
