#include "support/BmpFile.h"
#include "support/ExrWriter.h"
#include "support/FailureOf.h"
#include "support/GifEncoder.h"
#include "support/JpegWriter.h"
#include "support/PatchedBytes.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/TestLoader.h"
#include "support/ToolFolder.h"

#include "picture/LoadWatch.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 97 pixels wide so that 24-bit BMP rows carry padding; 64 colours fit a GIF.
QImage pattern(int width = 97, int height = 64) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x / 16 % 4 * 85, y / 16 % 4 * 85, (x / 16 + y / 16) % 4 * 85));
    return image;
}

// JPEG keeps smooth shading close; its colour subsampling smears hard edges.
QImage shading() {
    QImage image(97, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 3, 255 - x - y));
    return image;
}

using pictures::encoded;

// One stripe of colour per row, in the shape the toolkit cannot write: a run-length BMP.
QImage stripes() {
    QImage image(40, 6, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(y * 40, 200 - y * 30, 90));
    return image;
}

// The same rows stored top-down, which a negative height announces.
QByteArray topDownBmp(const QImage& picture) {
    const QByteArray bottomUp = encoded(picture, "bmp");
    const qsizetype stride = (picture.width() * 3 + 3) / 4 * 4;
    const qsizetype offset = bottomUp.size() - stride * picture.height();
    QByteArray bytes = patched<qint32>(bottomUp, 22, -picture.height()).left(offset);
    for (int row = picture.height() - 1; row >= 0; --row)
        bytes += bottomUp.mid(offset + row * stride, stride);
    return bytes;
}

QByteArray rle8Bmp(const QImage& stripes) {
    test::BmpFile file{.width = stripes.width(), .height = stripes.height(), .bitCount = 8, .compression = 1};
    for (int y = 0; y < file.height; ++y)
        file.palette << stripes.pixel(0, y);
    for (int y = file.height - 1; y >= 0; --y) // bottom row first: one run, then the end of the line
        file.pixels += char(file.width) + QByteArray(1, char(y)) + QByteArray(2, '\0');
    file.pixels += QByteArray("\0\1", 2); // end of picture
    return file.bytes();
}

// An EXIF-style APP1 segment holding a whole small JPEG, end marker included, ahead of the main picture.
QByteArray withThumbnail(const QByteArray& jpeg) {
    const QByteArray segment = QByteArray("Exif\0\0", 6) + encoded(pattern(16, 16), "jpeg");
    const QByteArray app1 = patchedBigEndian(QByteArray("\xFF\xE1\0\0", 4), 2, quint16(segment.size() + 2));
    return jpeg.left(2) + app1 + segment + jpeg.mid(2);
}

// An icon whose directory gives one size (0 stands for 256) and whose 32-bit bitmap holds another.
QByteArray iconFile(int listedSide, int side) {
    const QByteArray mask((side + 31) / 32 * 4 * side, '\0');
    const test::BmpFile bitmap{.width = side,
                               .height = 2 * side,
                               .bitCount = 32,
                               .pixels = QByteArray("\x99\x66\x33\xFF").repeated(side * side) + mask};
    return test::cursorFile({{listedSide, listedSide, QPoint(1, 32), bitmap.bytes().mid(14)}}, true);
}

} // namespace

class PictureLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void opensEveryFormat_data();
    void opensEveryFormat();
    void laysTransparencyOverWhite();
    void sizesGifByItsLogicalScreen();
    void opensPictureBeyondToolkitDefaultLimit();
    void refusesUnreachablePaths_data();
    void refusesUnreachablePaths();
    void refusesUnreadableFile();
    void refusesFileLargerThanLimit();
    void refusesDamagedPictures_data();
    void refusesDamagedPictures();
    void refusesHugeHeadersAtOnce_data();
    void refusesHugeHeadersAtOnce();
    void showsFinalPartsWhileLoading_data();
    void showsFinalPartsWhileLoading();

private:
    QString write(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir_;
    TestLoader loader_;
};

QString PictureLoaderTest::write(const QString& name, const QByteArray& bytes) {
    QFile file(dir_.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

void PictureLoaderTest::opensEveryFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");

    const QImage picture = pattern();
    const QByteArray jpeg = encoded(shading(), "jpeg");
    QTest::newRow("jpeg") << "a.jpg" << jpeg << shading() << 8;
    QTest::newRow("jpeg with thumbnail and trailing bytes")
        << "b.jpg" << withThumbnail(jpeg) + QByteArray(300, '\x5A') << shading() << 8;
    QTest::newRow("bmp 24-bit") << "c.bmp" << encoded(picture, "bmp") << picture << 0;
    QTest::newRow("bmp 24-bit top-down") << "t.bmp" << topDownBmp(picture) << picture << 0;
    QTest::newRow("bmp 8-bit") << "d.bmp" << encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp")
                               << picture << 0;
    QTest::newRow("bmp run-length") << "e.bmp" << rle8Bmp(stripes()) << stripes() << 0;
    QTest::newRow("png") << "f.png" << encoded(picture, "png") << picture << 0;
    QTest::newRow("png interlaced") << "k.png" << pictures::interlacedPng(picture) << picture << 0;
    QTest::newRow("gif") << "g.gif" << encoded(picture, "gif") << picture << 0;
    QTest::newRow("gif interlaced") << "l.gif" << test::encodeGif(picture, {.interlaced = true}) << picture
                                    << 0;
    QTest::newRow("gif with a table of the frame's own")
        << "m.gif" << test::encodeGif(picture, {.localTable = true}) << picture << 0;
    QTest::newRow("png named .jpg") << "h.jpg" << encoded(picture, "png") << picture << 0;
    QTest::newRow("jpeg named .gif") << "i.gif" << jpeg << shading() << 8;
    QImage icon(32, 32, QImage::Format_RGB32);
    icon.fill(qRgb(0x33, 0x66, 0x99));
    QTest::newRow("icon") << "j.ico" << iconFile(32, 32) << icon << 0;
}

void PictureLoaderTest::opensEveryFormat() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);

    const QImage loaded = loader_.load(write(name, bytes));
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    QCOMPARE(loaded.size(), expected.size());
    QCOMPARE_LE(pictures::largestDifference(loaded, expected), tolerance);
}

void PictureLoaderTest::laysTransparencyOverWhite() {
    QImage picture(3, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 0)); // colour hidden under full transparency
    picture.setPixel(1, 0, qRgba(0, 0, 0, 128));
    picture.setPixel(2, 0, qRgba(0, 0, 255, 255));

    const QImage loaded = loader_.load(write("alpha.png", encoded(picture, "png")));
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    QCOMPARE(loaded.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE_LE(qAbs(qGray(loaded.pixel(1, 0)) - 127), 1);
    QCOMPARE(loaded.pixel(2, 0), qRgb(0, 0, 255));
}

void PictureLoaderTest::sizesGifByItsLogicalScreen() {
    const QByteArray small = patched<quint16>(encoded(pattern(), "gif"), 6, 400);
    const QImage loaded = loader_.load(write("screen.gif", patched<quint16>(small, 8, 300)));
    QCOMPARE(loaded.size(), QSize(400, 300));
    QCOMPARE(loaded.pixel(96, 63), pattern().pixel(96, 63));

    // A screen of zero takes its size from the first frame, wherever later frames lie.
    const QByteArray gif = encoded(pattern(), "gif");
    const qsizetype firstFrame = 13 + 3 * 256;
    const QByteArray frame = gif.mid(firstFrame, gif.size() - firstFrame - 1);
    const QByteArray laterFrame = patched<quint16>(patched<quint16>(frame, 1, 10), 3, 5);
    const QByteArray noScreen = patched<quint32>(gif.chopped(1) + laterFrame + ';', 6, 0);
    const QImage framed = loader_.load(write("frames.gif", noScreen));
    QCOMPARE(framed.size(), QSize(97, 64));
    QCOMPARE(framed.pixel(96, 63), pattern().pixel(96, 63));
}

void PictureLoaderTest::opensPictureBeyondToolkitDefaultLimit() {
    // 137 MB decoded: over the toolkit's own 128 MB, well within ours.
    QImage picture(12000, 3000, QImage::Format_RGB32);
    picture.fill(qRgb(30, 120, 200));
    const QImage loaded = loader_.load(write("wide.jpg", encoded(picture, "jpeg")));
    QCOMPARE(loaded.size(), picture.size());
}

void PictureLoaderTest::refusesUnreachablePaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("description");
    QTest::newRow("missing file") << dir_.filePath("missing.jpg") << "File not found";
    QTest::newRow("empty path") << QString() << "File not found";
    QTest::newRow("directory") << dir_.path() << "Path/File access error";
    if (QFileInfo::exists("/dev/zero"))
        QTest::newRow("endless device") << "/dev/zero"
                                        << "Path/File access error";
}

void PictureLoaderTest::refusesUnreachablePaths() {
    QFETCH(QString, path);
    QFETCH(QString, description);
    QCOMPARE(failureOf([&] { loader_.load(path); }), description);
}

void PictureLoaderTest::refusesUnreadableFile() {
    const QString path = write("locked.bmp", encoded(pattern(), "bmp"));
    QFile::setPermissions(path, QFileDevice::Permissions());
    if (QFile probe(path); probe.open(QIODevice::ReadOnly))
        QSKIP("this user reads files regardless of their permissions");
    QCOMPARE(failureOf([&] { loader_.load(path); }), "Path/File access error");
}

void PictureLoaderTest::refusesFileLargerThanLimit() {
    // Sparse, so it takes no room on disk. The toolkit's readers take a file whole, which would take more
    // memory than the loads may.
    QFile icon(write("enormous.ico", encoded(pattern(), "ico")));
    QVERIFY(icon.resize(loader_.budget.total() + 1));
    QCOMPARE(failureOf([&] { loader_.load(icon.fileName()); }), "Out of memory");
    // libpng reads a file in pieces: one of exactly the limit opens, the picture at its start.
    QFile file(write("enormous.png", encoded(pattern(), "png")));
    QVERIFY(file.resize(loader_.budget.total()));
    QCOMPARE(loader_.load(file.fileName()).size(), pattern().size());
    // A BMP is read row by row, so only its pixels count.
    QFile bmp(write("enormous.bmp", encoded(pattern(), "bmp")));
    QVERIFY(bmp.resize(loader_.budget.total() + 1));
    QCOMPARE(loader_.load(bmp.fileName()), pattern().convertToFormat(QImage::Format_RGB32));
}

void PictureLoaderTest::refusesDamagedPictures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero bytes") << "empty.jpg" << QByteArray();

    struct Sample {
        const char* format;
        QImage picture;
        qsizetype insideHeader;
    };
    for (const auto& [format, picture, insideHeader] :
         {Sample{"jpeg", shading(), 100}, Sample{"bmp", pattern(), 30}, Sample{"gif", pattern(), 10},
          Sample{"png", pattern(), 20}}) {
        const QString name = QStringLiteral("cut.") + format;
        const QByteArray whole = encoded(picture, format);
        QTest::addRow("%s cut inside the header", format) << name << whole.left(insideHeader);
        QTest::addRow("%s cut mid-data", format) << name << whole.left(whole.size() / 2);
        QTest::addRow("%s one byte short", format) << name << whole.chopped(1);
    }

    const QByteArray thumbnailed = withThumbnail(encoded(shading(), "jpeg"));
    const qsizetype mainScan = thumbnailed.lastIndexOf("\xFF\xDA");
    QTest::newRow("jpeg cut after its thumbnail's end marker")
        << "thumb.jpg" << thumbnailed.left((mainScan + thumbnailed.size()) / 2);

    const QByteArray bmp = encoded(pattern(), "bmp");
    const QByteArray claimsMore = patched<qint32>(patched<qint32>(bmp, 18, 8000), 22, 4000);
    QTest::newRow("bmp claiming 8000 x 4000 with 4 KB of data") << "big.bmp" << claimsMore.left(4096);
    QTest::newRow("bmp with 7 bits per pixel") << "odd.bmp" << patched<quint16>(bmp, 28, 7);
    QTest::newRow("bmp with zero width") << "odd.bmp" << patched<qint32>(bmp, 18, 0);
    QTest::newRow("bmp run-length cut") << "rle.bmp" << rle8Bmp(stripes()).chopped(4);
    QTest::newRow("icon listed as 256 x 256 holding 32 x 32") << "odd.ico" << iconFile(0, 32);
}

void PictureLoaderTest::refusesDamagedPictures() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QCOMPARE(failureOf([&] { loader_.load(write(name, bytes)); }), "Invalid picture");
}

void PictureLoaderTest::refusesHugeHeadersAtOnce_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("description");

    const QByteArray jpeg = encoded(pattern(), "jpeg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    const QByteArray hugeJpeg = patchedBigEndian(patchedBigEndian(jpeg, frame + 5, 65500), frame + 7, 65500);
    QTest::newRow("jpeg of 200 bytes") << hugeJpeg.left(200) << "Picture too large: 65500 x 65500 pixels";

    const QByteArray bmp = encoded(pattern(), "bmp");
    QTest::newRow("bmp") << patched<qint32>(patched<qint32>(bmp, 18, 60000), 22, 60000)
                         << "Picture too large: 60000 x 60000 pixels";

    // The toolkit sizes a GIF by its logical screen, however small the frames inside it.
    const QByteArray gif = encoded(pattern(), "gif");
    QTest::newRow("gif screen around a small frame")
        << patched<quint16>(patched<quint16>(gif, 6, 65535), 8, 65535)
        << "Picture too large: 65535 x 65535 pixels";

    // OpenJPEG would build a structure for each of its 67200 tiles before its own check.
    ToolFolder tools;
    tools.save(pattern(), QStringLiteral("in.png"));
    for (const char* name : {"p.j2k", "p.jp2"}) {
        QByteArray tiled = tools.run(QStringLiteral("opj_compress -t 250,215 -i in.png -o ") + name);
        const qsizetype siz = tiled.indexOf("\xFF\x4F\xFF\x51") + 8;
        tiled = patchedBigEndian32(patchedBigEndian32(tiled, siz, 60000), siz + 4, 60000);
        if (const qsizetype header = tiled.indexOf("ihdr"); header > 0)
            tiled = patchedBigEndian32(patchedBigEndian32(tiled, header + 4, 60000), header + 8, 60000);
        QTest::addRow("%s in tiles of 250 x 215", name) << tiled << "Picture too large: 60000 x 60000 pixels";
    }

    QByteArray avif = tools.run(QStringLiteral("avifenc -s 10 in.png p.avif"));
    const qsizetype extents = avif.indexOf("ispe") + 8;
    avif = patchedBigEndian32(patchedBigEndian32(avif, extents, 60000), extents + 4, 60000);
    QTest::newRow("avif") << avif << "Picture too large: 60000 x 60000 pixels";

    // Sides no pane can pan, however few their pixels.
    const QString toPan =
        QStringLiteral("Picture too large to pan: it passes its frame by more than 327670 pixels");
    QByteArray exr = test::writeExr(test::ExrShape(4, 4, [](int, int) {
        return test::LinearPixel{1, 1, 1, 1};
    }));
    const qsizetype window = exr.indexOf(QByteArray("dataWindow\0box2i\0", 17)) + 21;
    exr = patched<qint32>(patched<qint32>(exr, window + 8, 525340), window + 12, 58);
    QTest::newRow("exr whose data window is 525341 x 59") << exr << toPan;
    QTest::newRow("bmp of 2 x 400000") << patched<qint32>(patched<qint32>(bmp, 18, 2), 22, 400000) << toPan;

    // A row OpenEXR itself reads in chunks of 256 lines of four float channels: 2.9 GB of its own buffers.
    QByteArray chunky = patched<qint32>(patched<qint32>(exr, window + 8, 359999), window + 12, 0);
    chunky[chunky.indexOf(QByteArray("compression\0compression\0", 24)) + 28] = 9; // DWAB
    for (const char* channel : {"A", "B", "G", "R"})
        chunky.replace(QByteArray(channel) + QByteArray("\0\x01\0\0\0", 5),
                       QByteArray(channel) + QByteArray("\0\x02\0\0\0", 5));
    QTest::newRow("exr row in chunks of 256 float lines") << chunky << "Picture too large: 360000 x 1 pixels";
}

void PictureLoaderTest::refusesHugeHeadersAtOnce() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, description);
    const QString path = write("huge.pic", bytes);
    // Refused from the header: no pixel is decoded.
    const PeakMemoryWatch memory;
    QCOMPARE(failureOf([&] { loader_.load(path); }), description);
    QCOMPARE_LT(memory.growth(), 16 * 1024 * 1024);
}

// What a pane sees while a picture loads: the watched part of the picture, as the load ends it, where the
// load says it is final; and the picture that load ends with is the one an unwatched load gives, every
// pixel converted once.
void PictureLoaderTest::showsFinalPartsWhileLoading_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("shownWhileLoading");
    QTest::addColumn<bool>("damagedOutOfView"); // refused, after the part seen was shown whole
    const QImage big = pattern(300, 400);
    QImage seeThrough = big.convertToFormat(QImage::Format_ARGB32);
    seeThrough.fill(qRgba(200, 30, 60, 90));
    const QByteArray adobeRgb = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    QTest::newRow("jpeg in Adobe RGB")
        << "a.jpg" << test::writeJpeg(big, {.iccProfile = adobeRgb}) << true << false;
    QTest::newRow("jpeg decoded in bands, a restart marker every row of blocks")
        << "r.jpg" << test::writeJpeg(pattern(1300, 1000), {.restartInterval = 82}) << true << false;
    QTest::newRow("png with transparency") << "b.png" << encoded(seeThrough, "png") << true << false;
    QTest::newRow("png narrower and shorter than the part seen")
        << "c.png" << encoded(pattern(40, 30), "png") << true << false;
    QTest::newRow("png interlaced") << "d.png" << pictures::interlacedPng(big) << false << false;
    QTest::newRow("cmyk jpeg, its inks undone at the end")
        << "e.jpg" << test::writeJpeg(big, {.cmyk = true}) << false << false;
    QTest::newRow("jpeg turned") << "f.jpg" << test::writeJpeg(big, {.exif = test::exifOrientation(6, true)})
                                 << false << false;
    ToolFolder tools;
    tools.save(big, "big.png");
    QByteArray tiled = tools.run("convert big.png -define tiff:tile-geometry=64x64 g.tif");
    QTest::newRow("tiled tiff, the seen tiles first") << "g.tif" << tiled << true << false;
    // Its last tile, at the bottom right, out of view, placed past the end of the file.
    const char* offsets = tiffEntry(tiled, 324);
    const qsizetype lastOffset =
        qFromLittleEndian<quint32>(offsets + 8) + 4 * (qFromLittleEndian<quint32>(offsets + 4) - 1);
    QTest::newRow("tiled tiff whose last tile is lost")
        << "h.tif" << patched<quint32>(tiled, lastOffset, 0x7FFFFFF0) << true << true;
}

void PictureLoaderTest::showsFinalPartsWhileLoading() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shownWhileLoading);
    QFETCH(bool, damagedOutOfView);
    const QString path = pictures::write(bytes, dir_.path(), name);
    const QRect area(0, 0, 255, 299);
    QImage seen;
    QRegion final;
    bool outside = false; // shown beyond the area, or less than before
    const picture::LoadWatch watch{area, [&](const QImage& part, const QRegion& now) {
                                       outside = outside || !(now - QRegion(area)).isEmpty() ||
                                                 !(final - now).isEmpty();
                                       seen = part.copy();
                                       final = now;
                                   }};
    const TestLoader loader;
    QImage watched;
    QCOMPARE(failureOf([&] { watched = loader.loader.load(path, &watch); }),
             damagedOutOfView ? "Invalid picture" : QString());
    QVERIFY(!outside);
    if (damagedOutOfView) {
        QCOMPARE(final, QRegion(area));
        return;
    }
    QCOMPARE(watched, loader.load(path));
    QCOMPARE(final, shownWhileLoading ? QRegion(area & watched.rect()) : QRegion());
    for (const QRect& part : final)
        QCOMPARE(seen.copy(part), watched.copy(part));
}

QTEST_MAIN(PictureLoaderTest)
#include "picture_loader_test.moc"
