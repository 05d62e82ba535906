// Pictures through the whole load: colours as their files describe them, upright as they were taken, and
// no pixel a file did not fill.
#include "support/BmpFile.h"
#include "support/BuiltFormats.h"
#include "support/ExifJpeg.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/TestLoader.h"
#include "support/TestProfiles.h"

#include <QApplication>
#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QtTest>

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

} // namespace

class TrueColoursTest : public QObject {
    Q_OBJECT

private slots:
    void widePicturesMatchTheirSrgbTwins_data();
    void widePicturesMatchTheirSrgbTwins();
    void bmpProfileApplies();
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
    QCOMPARE_LE(pictures::largestDifference(middles(loader_.load(srgbPath)), middles(loader_.load(widePath))), 2);
}

void TrueColoursTest::bmpProfileApplies() {
    test::BmpFile file{.infoSize = 124, .width = 2, .height = 1, .bitCount = 24};
    file.pixels = QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8); // red, green as stored B, G, R
    file.profile = profiles::packaged("SwappedRedAndGreen.icc");
    const QImage image = loader_.load(pictures::write(file.bytes(), folder_.path(), "swapped.bmp"));
    QCOMPARE_LE(pictures::largestDifference(image, blocks({qRgb(0, 255, 0), qRgb(255, 0, 0)}).scaled(2, 1)), 2);
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
    rig.start();
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
