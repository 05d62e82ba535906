#include "support/DngFile.h"
#include "support/JpegWriter.h"
#include "support/PatchedBytes.h"
#include "support/QoiFile.h"
#include "support/ReaderTest.h"
#include "support/TestProfiles.h"

#include <QtEndian>

// What files say beside their pixels, as each reader describes it: colour profiles and spaces,
// orientation, inks, alpha, wide samples.
class PictureDescriptionsTest : public ReaderTest {
    Q_OBJECT

private slots:
    void readsAdobeCmykJpegAsInks();
    void describesWhatModuleFilesSay_data();
    void describesWhatModuleFilesSay();
    void readsWhatModuleFormatsSayBesideTheirPixels();
};

namespace {

// A picture through its module's reader alone.
picture::DecodedPicture decodedByModule(const QString& module, const QByteArray& bytes) {
    return decodedBy(builtFormats().reader(module), bytes);
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

// The TGA with a 2.0 extension area and footer after its pixels, the area giving the attributes type.
QByteArray tgaWithAttributesType(const QByteArray& tga, char type) {
    QByteArray area(495, '\0');
    qToLittleEndian(quint16(495), area.data());
    area[494] = type;
    QByteArray footer(8, '\0');
    qToLittleEndian(quint32(tga.size()), footer.data());
    return tga + area + footer + QByteArray("TRUEVISION-XFILE.\0", 18);
}

} // namespace

void PictureDescriptionsTest::readsAdobeCmykJpegAsInks() {
    // Adobe's CMYK, inverted in the file, comes out as ink: 0 for none.
    QImage inks(24, 16, QImage::Format_ARGB32);
    inks.fill(qRgba(10, 200, 0, 90));
    const picture::DecodedPicture decoded =
        decodedByModule("jpeg", test::writeJpeg(inks, {.cmyk = true, .iccProfile = {}, .exif = {}}));
    QVERIFY(decoded.cmyk);
    const uchar* pixel = decoded.image.constScanLine(8) + 12 * 4;
    QCOMPARE_LE(qAbs(pixel[0] - 10), 2);
    QCOMPARE_LE(qAbs(pixel[1] - 200), 2);
    QCOMPARE_LE(pixel[2], 2);
    QCOMPARE_LE(qAbs(pixel[3] - 90), 2);
}

void PictureDescriptionsTest::describesWhatModuleFilesSay_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<QByteArray>("bytes");
    // The profile handed over; "srgb" where sRGB is said without one; not looked at when empty.
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");  // as decoded, unturned
    QTest::addColumn<QSize>("shown"); // as the loader shows it, turned
    QTest::addColumn<bool>("cmyk");   // orange as ink: no cyan or black, half the magenta, all the yellow
    QTest::addColumn<QString>("wideFrom"); // 16-bit samples handed over exactly as this picture holds them
    const QString none;
    const QByteArray noProfile;
    const QSize any;
    // A profile too long for one JPEG segment is split across several and put back together.
    QByteArray longProfile(150000, '\0');
    for (qsizetype i = 0; i < longProfile.size(); ++i)
        longProfile[i] = char(i * 7 / 3);
    for (const auto& [orientation, bigEndian] : {std::pair{6, false}, std::pair{8, true}})
        QTest::addRow("jpeg turned to %d, with a long profile", orientation)
            << "jpeg"
            << test::writeJpeg(
                   pictures::shading(48, 32),
                   {.iccProfile = longProfile, .exif = test::exifOrientation(orientation, bigEndian)})
            << longProfile << orientation << QSize(48, 32) << any << false << none;
    tools_.save(pictures::plain(8, 8, qRgb(255, 128, 0)), "orange.png");
    QTest::newRow("cmyk tiff") << "tiff"
                               << tools_.run("convert orange.png -colorspace cmyk -depth 8 cmyk.tif")
                               << noProfile << 1 << any << any << true << none;
    QTest::newRow("cmyk psd") << "psd" << tools_.run("convert orange.png -colorspace cmyk -depth 8 cmyk.psd")
                              << noProfile << 1 << any << any << true << none;
    // irot's quarter turns go anticlockwise: one is EXIF's 8.
    QTest::newRow("avif turned by its irot")
        << "avif" << tools_.run("avifenc -s 10 --irot 1 in.png t.avif") << noProfile << 8 << QSize(97, 64)
        << QSize(64, 97) << false << none;
    // The camera's turn, as LibRaw reads it, is described and not applied.
    QTest::newRow("dng turned") << "raw" << dng::halfWhite({0.2, 0.5, 0.1}, {1, 1, 1}, 6) << noProfile << 6
                                << QSize(64, 48) << any << false << none;
    // The codestream's orientation is the one that counts, described and left for the orientation stage;
    // libjxl turns nothing, and an Exif box that says otherwise is not heard.
    tools_.write(test::writeJpeg(pictures::shading(48, 32),
                                 {.iccProfile = {}, .exif = test::exifOrientation(6, true)}),
                 "o.jpg");
    QTest::newRow("jxl turned in its codestream") << "jxl" << tools_.run("cjxl o.jpg p.jxl") << noProfile << 6
                                                  << QSize(48, 32) << QSize(32, 48) << false << none;
    QTest::newRow("jxl whose exif box says 8")
        << "jxl"
        << jxlContainer(tools_.run("cjxl -d 0 --container=0 small.png p.jxl"),
                        test::exifOrientation(8, false))
        << noProfile << 1 << QSize(16, 16) << QSize(16, 16) << false << none;

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
        QTest::newRow(name) << module << bytes << profile << orientation << any << any << false << wideFrom;
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
    QTest::newRow("lossy jxl") << "jxl" << tools_.run("cjxl icc.png p.jxl") << QByteArray("srgb") << 1 << any
                               << any << false << none;
}

void PictureDescriptionsTest::describesWhatModuleFilesSay() {
    QFETCH(QString, module);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, profile);
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QSize, shown);
    QFETCH(bool, cmyk);
    QFETCH(QString, wideFrom);
    const picture::DecodedPicture decoded = decodedByModule(module, bytes);
    if (profile == "srgb")
        QVERIFY(decoded.colour.srgb);
    else if (!profile.isEmpty())
        QCOMPARE(decoded.colour.iccProfile, profile);
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

void PictureDescriptionsTest::readsWhatModuleFormatsSayBesideTheirPixels() {
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
        const picture::DecodedPicture qoi = decodedByModule("qoi", test::qoiOfEveryOperation(colourSpace));
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

QTEST_MAIN(PictureDescriptionsTest)
#include "picture_descriptions_test.moc"
