#include "support/ReaderTest.h"

#include "support/ExifJpeg.h"
#include "support/OldLzwTiff.h"

QString ReaderTest::write(const QString& name, const QByteArray& bytes) {
    return pictures::write(bytes, dir_.path(), name);
}

void ReaderTest::initTestCase() {
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
