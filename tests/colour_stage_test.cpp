#include "picture/ColourStage.h"
#include "support/TestProfiles.h"

#include <QColorSpace>
#include <QTest>

using picture::ColourStage;
using picture::DecodedPicture;

namespace {

// One row of the given colours.
QImage row(const QList<QRgb>& colours) {
    QImage image(int(colours.size()), 1, QImage::Format_RGB32);
    for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, 0, colours[x]);
    return image;
}

// One row of CMYK pixels, each byte as stored: C, M, Y, K.
QImage cmykRow(const QList<std::array<uchar, 4>>& inks) {
    QImage image(int(inks.size()), 1, QImage::Format_RGB32);
    uchar* bytes = image.scanLine(0);
    for (const std::array<uchar, 4>& ink : inks)
        bytes = std::copy(ink.begin(), ink.end(), bytes);
    return image;
}

// Each channel within tolerance, and the pixel's fourth byte opaque as RGB32 requires.
bool near(const QImage& image, const QList<QRgb>& expected, int tolerance = 2) {
    const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(0));
    for (int x = 0; x < image.width(); ++x) {
        const QRgb got = pixels[x];
        const QRgb want = expected[x];
        if (qAlpha(got) != 255 || std::abs(qRed(got) - qRed(want)) > tolerance ||
            std::abs(qGreen(got) - qGreen(want)) > tolerance ||
            std::abs(qBlue(got) - qBlue(want)) > tolerance) {
            qWarning("pixel %d: got %08x, want %08x", x, got, want);
            return false;
        }
    }
    return true;
}

DecodedPicture tagged(const QList<QRgb>& colours, const QByteArray& profile) {
    DecodedPicture decoded;
    decoded.image = row(colours);
    decoded.colour.iccProfile = profile;
    return decoded;
}

const ColourStage& srgbScreen() {
    static const ColourStage stage{QByteArray()};
    return stage;
}

} // namespace

class ColourStageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void embeddedRgbProfiles_data();
    void embeddedRgbProfiles();
    void cmyk();
    void pngGammaAndPrimaries();
    void nclxPrimariesAndCurves_data();
    void nclxPrimariesAndCurves();
    void greyProfile();
    void picturesAlreadyInTheScreensSpaceAreLeftAlone();
    void screenWithItsOwnProfile();
    void unusableProfilesAreIgnored();
    void largePicturesComeOutWhole();
};

void ColourStageTest::initTestCase() {
    if (profiles::packaged("AdobeRGB1998.icc").isEmpty())
        QFAIL("the free profiles of package colord-data are missing");
}

void ColourStageTest::embeddedRgbProfiles_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QList<QRgb>>("stored");
    QTest::addColumn<QList<QRgb>>("expected");
    // The stored numbers: sRGB red, green, blue, grey and a skin tone in the profile's space, from
    //   echo R G B | transicc -i '*sRGB' -o /usr/share/color/icc/colord/<profile> -t0 -n
    // rounded; the expected numbers from the reverse, rounded and clipped:
    //   echo R G B | transicc -i /usr/share/color/icc/colord/<profile> -o '*sRGB' -t0 -n
    QTest::newRow("Adobe RGB (1998)") << profiles::packaged("AdobeRGB1998.icc")
                                      << QList<QRgb>{qRgb(144, 255, 60), qRgb(219, 2, 0), qRgb(1, 2, 250),
                                                     qRgb(127, 127, 127), qRgb(186, 149, 102)}
                                      << QList<QRgb>{qRgb(0, 255, 1), qRgb(255, 0, 0), qRgb(0, 0, 255),
                                                     qRgb(128, 128, 128), qRgb(200, 150, 99)};
    QTest::newRow("ProPhoto RGB") << profiles::packaged("ProPhotoRGB.icc")
                                  << QList<QRgb>{qRgb(138, 237, 78), qRgb(179, 70, 26), qRgb(86, 35, 235),
                                                 qRgb(109, 109, 109), qRgb(158, 137, 91)}
                                  << QList<QRgb>{qRgb(0, 255, 2), qRgb(255, 0, 0), qRgb(8, 0, 255),
                                                 qRgb(128, 128, 128), qRgb(199, 150, 100)};
    QTest::newRow("red and green swapped")
        << profiles::packaged("SwappedRedAndGreen.icc") << QList<QRgb>{qRgb(255, 0, 0), qRgb(200, 100, 50)}
        << QList<QRgb>{qRgb(1, 255, 0), qRgb(100, 200, 50)};
}

void ColourStageTest::embeddedRgbProfiles() {
    QFETCH(QByteArray, profile);
    QFETCH(QList<QRgb>, stored);
    QFETCH(QList<QRgb>, expected);
    DecodedPicture decoded = tagged(stored, profile);
    srgbScreen().convert(decoded);
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    QVERIFY(near(decoded.image, expected));
}

void ColourStageTest::cmyk() {
    const QList<std::array<uchar, 4>> inks{
        {0, 0, 0, 0}, {0, 255, 255, 0}, {0, 0, 0, 255}, {255, 0, 0, 0}, {0, 128, 128, 0}};
    // echo C M Y K | transicc -i <profiles::cmykWithKnownRed() saved> -o '*sRGB' -t0 -n, in percent
    DecodedPicture withProfile;
    withProfile.image = cmykRow(inks);
    withProfile.cmyk = true;
    withProfile.colour.iccProfile = profiles::cmykWithKnownRed();
    srgbScreen().convert(withProfile);
    QVERIFY(!withProfile.cmyk);
    QVERIFY(near(withProfile.image, {qRgb(255, 255, 255), qRgb(237, 38, 44), qRgb(0, 0, 0),
                                     qRgb(119, 119, 119), qRgb(255, 160, 143)}));

    // With no profile, or one for RGB numbers, the inks are plain coverage over white paper.
    for (const QByteArray& profile : {QByteArray(), profiles::packaged("AdobeRGB1998.icc")}) {
        DecodedPicture plain;
        plain.image = cmykRow(inks);
        plain.cmyk = true;
        plain.colour.iccProfile = profile;
        srgbScreen().convert(plain);
        QVERIFY(!plain.cmyk);
        QVERIFY(near(
            plain.image,
            {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 0), qRgb(0, 255, 255), qRgb(255, 127, 127)},
            1));
    }
}

void ColourStageTest::pngGammaAndPrimaries() {
    // sRGB's encoding of (v / 255)^(1 / gamma), by hand: 255 * srgb((v / 255) ** (1 / gamma)) in Python
    // with srgb(l) = 1.055 * l ** (1 / 2.4) - 0.055.
    const QList<QRgb> greys{qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(200, 200, 200)};
    DecodedPicture linear = tagged(greys, {});
    linear.colour.fileGamma = 1.0;
    srgbScreen().convert(linear);
    QVERIFY(near(linear.image, {qRgb(137, 137, 137), qRgb(188, 188, 188), qRgb(229, 229, 229)}));

    DecodedPicture dark = tagged(greys, {});
    dark.colour.fileGamma = 0.4;
    srgbScreen().convert(dark);
    QVERIFY(near(dark.image, {qRgb(50, 50, 50), qRgb(117, 117, 117), qRgb(195, 195, 195)}));

    // Adobe RGB's primaries and white with its gamma near 1/2.2: the colours of the Adobe RGB rows above.
    DecodedPicture wide = tagged({qRgb(144, 255, 60), qRgb(219, 2, 0)}, {});
    wide.colour.fileGamma = 0.45455;
    wide.colour.chromaticities = picture::Chromaticities{0.3127, 0.3290, 0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
    srgbScreen().convert(wide);
    QVERIFY(near(wide.image, {qRgb(0, 255, 1), qRgb(255, 0, 0)}, 3));
}

void ColourStageTest::nclxPrimariesAndCurves_data() {
    QTest::addColumn<int>("primaries");
    QTest::addColumn<int>("transfer");
    QTest::addColumn<QList<QRgb>>("colours");
    QTest::addColumn<QList<QRgb>>("expected");
    // Wide primaries as the toolkit's own conversion reads them.
    const QList<QRgb> colours{qRgb(200, 150, 100), qRgb(40, 180, 60), qRgb(90, 90, 200)};
    const auto converted = [&colours](const QColorSpace& space) {
        QImage image = row(colours);
        image.setColorSpace(space);
        image.convertToColorSpace(QColorSpace::SRgb);
        return QList<QRgb>{image.pixel(0, 0), image.pixel(1, 0), image.pixel(2, 0)};
    };
    QTest::newRow("Display P3") << 12 << 13 << colours << converted(QColorSpace::DisplayP3);
    const QColorSpace bt2020(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
                             QPointF(0.131, 0.046), QColorSpace::TransferFunction::SRgb);
    QTest::newRow("BT.2020 with BT.709's curve") << 9 << 1 << colours << converted(bt2020);
    // The curves by hand: 255 * srgb(curve(v / 255)) in Python, srgb as in pngGammaAndPrimaries.
    const QList<QRgb> greys{qRgb(64, 64, 64), qRgb(128, 128, 128), qRgb(200, 200, 200)};
    const auto grey = [](int a, int b, int c) {
        return QList<QRgb>{qRgb(a, a, a), qRgb(b, b, b), qRgb(c, c, c)};
    };
    QTest::newRow("linear") << 1 << 8 << greys << grey(137, 188, 229);
    QTest::newRow("gamma 2.2") << 1 << 4 << greys << grey(62, 129, 201);
    QTest::newRow("gamma 2.8, primaries unspecified") << 2 << 5 << greys << grey(40, 106, 189);
    // PQ: 203 cd/m2 (signal 148) is white; HLG: signal 0.75 is white.
    QTest::newRow("PQ") << 1 << 16 << grey(76, 115, 148) << grey(63, 143, 255);
    QTest::newRow("HLG") << 1 << 18 << grey(64, 128, 230) << grey(80, 153, 255);
}

void ColourStageTest::nclxPrimariesAndCurves() {
    QFETCH(int, primaries);
    QFETCH(int, transfer);
    QFETCH(QList<QRgb>, colours);
    QFETCH(QList<QRgb>, expected);
    DecodedPicture decoded = tagged(colours, {});
    decoded.colour.cicp = picture::Cicp{primaries, transfer};
    QVERIFY(decoded.colour.keepsSixteenBits());
    srgbScreen().convert(decoded);
    QVERIFY(near(decoded.image, expected));
}

void ColourStageTest::greyProfile() {
    // echo V | transicc -i <profiles::grey(1.0) saved> -o '*sRGB' -t0 -n
    DecodedPicture decoded = tagged({qRgb(64, 64, 64), qRgb(128, 128, 128)}, profiles::grey(1.0));
    srgbScreen().convert(decoded);
    QVERIFY(near(decoded.image, {qRgb(137, 137, 137), qRgb(188, 188, 188)}));
}

void ColourStageTest::picturesAlreadyInTheScreensSpaceAreLeftAlone() {
    const QList<QRgb> colours{qRgb(1, 2, 3), qRgb(250, 128, 7)};
    QList<DecodedPicture> pictures(6, tagged(colours, {}));
    pictures[1].colour.srgb = true;
    pictures[2].colour.fileGamma = 0.45455;
    pictures[3].colour.iccProfile = profiles::packaged("sRGB.icc");
    pictures[4].colour.cicp = picture::Cicp{1, 13};
    pictures[5].colour.cicp = picture::Cicp{2, 2}; // unspecified
    for (DecodedPicture& decoded : pictures) {
        decoded.image.detach();
        QVERIFY(!decoded.colour.keepsSixteenBits()); // what the stage leaves alone is read at 8 bits
        const uchar* before = decoded.image.constBits();
        srgbScreen().convert(decoded);
        // Not even copied: the same pixels in the same place.
        QCOMPARE(decoded.image.constBits(), before);
        QCOMPARE(decoded.image, row(colours));
    }
}

void ColourStageTest::screenWithItsOwnProfile() {
    // A screen that is Adobe RGB: sRGB pictures are brought to it, Adobe RGB pictures are left alone.
    const QByteArray adobe = profiles::packaged("AdobeRGB1998.icc");
    const ColourStage adobeScreen(adobe);
    DecodedPicture untagged = tagged({qRgb(0, 255, 0), qRgb(128, 128, 128)}, {});
    adobeScreen.convert(untagged);
    QVERIFY(near(untagged.image, {qRgb(144, 255, 60), qRgb(127, 127, 127)}));

    DecodedPicture same = tagged({qRgb(144, 255, 60)}, adobe);
    const uchar* before = same.image.constBits();
    adobeScreen.convert(same);
    QCOMPARE(same.image.constBits(), before);
    QCOMPARE(same.image.pixel(0, 0), qRgb(144, 255, 60));
}

void ColourStageTest::unusableProfilesAreIgnored() {
    const QList<QRgb> colours{qRgb(10, 20, 30), qRgb(200, 100, 0)};
    for (const QByteArray& profile :
         {QByteArray("not a profile at all"), profiles::packaged("AdobeRGB1998.icc").left(500),
          profiles::cmykWithKnownRed()}) {
        DecodedPicture decoded = tagged(colours, profile);
        srgbScreen().convert(decoded);
        QCOMPARE(decoded.image, row(colours));
    }
    // Absurd but readable: converted, whatever comes of it, without overflowing anything on the way.
    DecodedPicture absurd =
        tagged({qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 1, 0)}, profiles::absurdPrimaries());
    srgbScreen().convert(absurd);
    QCOMPARE(absurd.image.format(), QImage::Format_RGB32);
}

void ColourStageTest::largePicturesComeOutWhole() {
    // Large enough to be shared out among threads: every row must be converted, none twice.
    DecodedPicture decoded;
    decoded.image = QImage(1500, 1001, QImage::Format_RGB32);
    decoded.image.fill(qRgb(144, 255, 60));
    decoded.colour.iccProfile = profiles::packaged("AdobeRGB1998.icc");
    srgbScreen().convert(decoded);
    const QRgb first = decoded.image.pixel(0, 0);
    QVERIFY(near(row({first}), {qRgb(0, 255, 1)}));
    for (int y = 0; y < decoded.image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(decoded.image.constScanLine(y));
        QVERIFY2(std::all_of(line, line + decoded.image.width(), [&](QRgb pixel) { return pixel == first; }),
                 qPrintable(QString::number(y)));
    }
}

QTEST_GUILESS_MAIN(ColourStageTest)
#include "colour_stage_test.moc"
