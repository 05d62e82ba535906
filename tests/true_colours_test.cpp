// Pictures through the whole load: colours as their files describe them, upright as they were taken, and
// no pixel a file did not fill.
#include "support/BmpFile.h"
#include "support/BuiltFormats.h"
#include "support/ExifJpeg.h"
#include "support/JpegWriter.h"
#include "support/JxlWriter.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/TestLoader.h"
#include "support/TestProfiles.h"

#include "picture/formats/modules/jpeg/JpegReader.h"

#include <QApplication>
#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QtTest>

#include <cmath>

namespace {

// Colour blocks a JPEG keeps nearly exact: 16 pixels square, aligned to its blocks.
QImage blocks(const QList<QRgb>& colours) {
    QImage image(int(colours.size()) * 16, 16, QImage::Format_RGB32);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < 16; ++y)
            image.setPixel(x, y, colours[x / 16]);
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

QByteArray encoded(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    writer.write(picture);
    return bytes;
}

// Linear light as sRGB encodes it, laid over white by alpha in that encoding, as browsers show it.
int overWhite(double linear, double alpha) {
    const double encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return int(std::lround(255 * (encoded * alpha + 1 - alpha)));
}

// Four samples a pixel, red, green, blue and alpha, of 8 or 16 bits: the picture, and what it shows when
// its numbers are linear light.
std::pair<QImage, QImage> linearWithAlpha(const QList<std::array<int, 4>>& samples, bool wide) {
    QImage picture(int(samples.size()), 1, wide ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    QImage shown(picture.size(), QImage::Format_RGB32);
    const double full = wide ? 65535 : 255;
    for (int x = 0; x < picture.width(); ++x) {
        const auto [r, g, b, a] = samples[x];
        if (wide)
            picture.setPixelColor(
                x, 0, QColor(QRgba64::fromRgba64(quint16(r), quint16(g), quint16(b), quint16(a))));
        else
            picture.setPixel(x, 0, qRgba(r, g, b, a));
        shown.setPixel(x, 0,
                       qRgb(overWhite(r / full, a / full), overWhite(g / full, a / full),
                            overWhite(b / full, a / full)));
    }
    return {picture, shown};
}

// gAMA 1.0: 100000 in its big-endian 32 bits.
QByteArray linearPng(const QImage& picture) {
    return pictures::withChunk(pictures::encoded(picture, "png"), "gAMA", QByteArray("\0\x01\x86\xa0", 4));
}

} // namespace

class TrueColoursTest : public QObject {
    Q_OBJECT

private slots:
    void widePicturesMatchTheirSrgbTwins_data();
    void widePicturesMatchTheirSrgbTwins();
    void bmpProfileApplies();
    void matchIndependentReferences_data();
    void matchIndependentReferences();
    void skippedPixelsNeverShowAnEarlierPicture();
    void turnedPicturesOpenUpright();

private:
    QTemporaryDir folder_;
    TestLoader loader_;
};

void TrueColoursTest::widePicturesMatchTheirSrgbTwins_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QColorSpace>("space");
    QTest::newRow("PNG, Adobe RGB") << QByteArray("png") << QColorSpace(QColorSpace::AdobeRgb);
    QTest::newRow("JPEG, Adobe RGB") << QByteArray("jpeg") << QColorSpace(QColorSpace::AdobeRgb);
}

void TrueColoursTest::widePicturesMatchTheirSrgbTwins() {
    QFETCH(QByteArray, format);
    QFETCH(QColorSpace, space);
    // The twin's numbers come from the toolkit's own conversion, and its writer embeds the profile.
    const QImage srgb = blocks({qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(128, 128, 128),
                                qRgb(200, 150, 100), qRgb(255, 255, 255)});
    const QImage wide = srgb.convertedToColorSpace(space);
    QVERIFY(pictures::largestDifference(srgb, wide) > 40);
    const QString srgbPath = pictures::write(encoded(srgb, format), folder_.path(), "srgb." + format);
    const QString widePath = pictures::write(encoded(wide, format), folder_.path(), "wide." + format);
    // Block middles: JPEG blurs colour across the edges of its blocks, differently in each space.
    const auto middles = [](const QImage& image) {
        QImage middle(image.width() / 16, 1, QImage::Format_RGB32);
        for (int x = 0; x < middle.width(); ++x)
            middle.setPixel(x, 0, image.pixel(x * 16 + 8, 8));
        return middle;
    };
    QCOMPARE_LE(pictures::largestDifference(middles(loader_.load(srgbPath)), middles(loader_.load(widePath))),
                2);
}

void TrueColoursTest::bmpProfileApplies() {
    test::BmpFile file{.infoSize = 124, .width = 2, .height = 1, .bitCount = 24};
    file.pixels = QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8); // red, green as stored B, G, R
    file.profile = profiles::packaged("SwappedRedAndGreen.icc");
    const QImage image = loader_.load(pictures::write(file.bytes(), folder_.path(), "swapped.bmp"));
    QCOMPARE_LE(pictures::largestDifference(image, blocks({qRgb(0, 255, 0), qRgb(255, 0, 0)}).scaled(2, 1)),
                2);
}

void TrueColoursTest::matchIndependentReferences_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    // Transparency over linear light: blended before the conversion, half-clear black would show 188, not
    // 128. Dark 16-bit values would come out black if scaled to 8 bits before it.
    const auto [eight, eightShown] = linearWithAlpha(
        {{0, 0, 0, 128}, {255, 0, 0, 64}, {64, 128, 200, 200}, {200, 100, 50, 0}, {255, 255, 255, 30}},
        false);
    QTest::newRow("PNG, linear light, alpha") << "linear.png" << linearPng(eight) << eightShown;
    const auto [wide, wideShown] = linearWithAlpha(
        {{0, 0, 0, 32768}, {64, 300, 1000, 65535}, {20000, 40000, 60000, 16384}, {123, 4567, 54321, 0}},
        true);
    QTest::newRow("PNG, 16 bits, linear light, alpha") << "linear16.png" << linearPng(wide) << wideShown;
    // 16-bit grey whose embedded grey profile says linear light. iCCP: a name, compression method 0, and
    // the zlib stream that qCompress puts after its length.
    const auto [rgb, greyShown] = linearWithAlpha(
        {{150, 150, 150, 65535}, {7150, 7150, 7150, 65535}, {28150, 28150, 28150, 65535}}, true);
    QImage grey(rgb.size(), QImage::Format_Grayscale16);
    for (int x = 0; x < grey.width(); ++x)
        reinterpret_cast<quint16*>(grey.scanLine(0))[x] =
            reinterpret_cast<const quint16*>(rgb.constBits())[x * 4];
    const QByteArray iccp = QByteArray("linear grey\0\0", 13) + qCompress(profiles::grey(1.0)).mid(4);
    const QByteArray greyPng = pictures::encoded(grey, "png");
    QTest::newRow("PNG, 16-bit grey, linear profile")
        << "grey16.png" << pictures::withChunk(greyPng, "iCCP", iccp) << greyShown;

    // Most of a large picture is converted beside its reader while it reads, part by part; an interlaced
    // file is converted whole when read. Either way every pixel is converted exactly once.
    const QImage large = pictures::coordinates(700, 500);
    const QByteArray adobe =
        QByteArray("Adobe RGB\0\0", 11) + qCompress(QColorSpace(QColorSpace::AdobeRgb).iccProfile()).mid(4);
    const QString whole = pictures::write(pictures::withChunk(pictures::interlacedPng(large), "iCCP", adobe),
                                          folder_.path(), "whole.png");
    QTest::newRow("PNG in Adobe RGB, converted in parts")
        << "parts.png" << pictures::withChunk(pictures::encoded(large, "png"), "iCCP", adobe)
        << loader_.load(whole);

    // Inks of every strength, their sRGB by the profile as Little CMS evaluates it without shortcuts.
    const QByteArray noise = pictures::noise(96 * 96 * 4);
    const QImage inks(reinterpret_cast<const uchar*>(noise.constData()), 96, 96, QImage::Format_ARGB32);
    const QByteArray cmykProfile = profiles::cmykWithKnownRed();
    const QByteArray jpeg = test::writeJpeg(inks, {.cmyk = true, .iccProfile = cmykProfile, .exif = {}});
    const QImage decodedInks = decodedBy(picture::JpegReader::decode, jpeg).image;
    QTest::newRow("CMYK JPEG with a profile")
        << "cmyk.jpg" << jpeg << profiles::srgbOfInks(decodedInks, cmykProfile);
    QTest::newRow("CMYK JPEG XL with a profile")
        << "cmyk.jxl" << test::writeCmykJxl(inks, cmykProfile) << profiles::srgbOfInks(inks, cmykProfile);
}

void TrueColoursTest::matchIndependentReferences() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    const QImage loaded = loader_.load(pictures::write(bytes, folder_.path(), name));
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    QCOMPARE_LE(pictures::largestDifference(loaded, expected), 1);
}

void TrueColoursTest::skippedPixelsNeverShowAnEarlierPicture() {
    constexpr int size = 256;
    // Runs that skip most of each row and all rows above the first: one pixel of colour per row at most.
    QByteArray runs;
    runs += QByteArray("\x01\x00\x00\x00", 4);
    runs += QByteArray("\x00\x02\x10\x20", 4);
    runs += QByteArray("\x01\x00\x00\x01", 4);
    const test::BmpFile sparse{.width = size,
                               .height = size,
                               .bitCount = 8,
                               .compression = 1,
                               .palette = {qRgb(0, 0, 200)},
                               .pixels = runs};
    const QString sparsePath = pictures::write(sparse.bytes(), folder_.path(), "sparse.bmp");
    const QString redPath = pictures::write(
        pictures::encoded(pictures::plain(size, size, qRgb(255, 0, 0)), "bmp"), folder_.path(), "red.bmp");
    for (int round = 0; round < 3; ++round) {
        loader_.load(redPath);
        const QImage image = loader_.load(sparsePath);
        QCOMPARE(image.size(), QSize(size, size));
        int coloured = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb pixel = image.pixel(x, y);
                QVERIFY2(pixel == qRgb(255, 255, 255) || pixel == qRgb(0, 0, 200),
                         qPrintable(QString::number(pixel, 16)));
                coloured += pixel != qRgb(255, 255, 255);
            }
        QCOMPARE(coloured, 2);
    }
}

void TrueColoursTest::turnedPicturesOpenUpright() {
    // A camera held upright stores the scene lying on its side and says so (6: turn a quarter clockwise).
    constexpr int across = 1200, down = 700;
    QImage upright(down, across, QImage::Format_RGB32);
    upright.fill(qRgb(40, 80, 160));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            upright.setPixel(x, y, qRgb(250, 250, 250)); // the top left, to tell the way up
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    QCOMPARE(stored.size(), QSize(across, down));

    MainWindowRig rig;
    const QString turnedPath = pictures::write(test::withExifOrientation(encoded(stored, "jpeg"), 6),
                                               rig.folder.path(), "turned.jpg");
    rig.desktop.fileAnswers.push_back(turnedPath);
    rig.form->PushButton3_Click();
    rig.open(2, upright, "upright.png");

    const QImage shown = rig.form->Picture1.image();
    QCOMPARE(shown.size(), QSize(down, across));
    QCOMPARE_LE(pictures::largestDifference(shown.copy(0, 0, 24, 24), upright.copy(0, 0, 24, 24)), 4);
    QCOMPARE(rig.form->HScroll1.max(), rig.form->HScroll2.max());
    QCOMPARE(rig.form->VScroll1.max(), rig.form->VScroll2.max());
    QVERIFY(rig.form->VScroll1.max() > rig.form->HScroll1.max());
}

QTEST_MAIN(TrueColoursTest)
#include "true_colours_test.moc"
