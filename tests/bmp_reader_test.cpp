#include "picture/formats/BmpReader.h"
#include "support/BmpFile.h"
#include "support/FailureOf.h"

#include <QBuffer>
#include <QTest>

using picture::BmpReader;
using picture::DecodedPicture;
using test::BmpFile;
using test::packRows;

namespace {

DecodedPicture decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    picture::LoadBudget budget(picture::LoadBudget::machineShare());
    picture::LoadBudget::Claim claim = budget.claim();
    picture::Progress unwatched;
    return BmpReader::decode(buffer, claim, unwatched);
}

QList<QRgb> rowOf(const QImage& image, int y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    return QList<QRgb>(row, row + image.width());
}

constexpr QRgb white = 0xffffffff;
constexpr QRgb black = 0xff000000;

} // namespace

class BmpReaderTest : public QObject {
    Q_OBJECT

private slots:
    void palettes_data();
    void palettes();
    void channelsScaleToFullRange_data();
    void channelsScaleToFullRange();
    void alphaComesThroughStraight();
    void largeFilesComeInBlocks_data();
    void largeFilesComeInBlocks();
    void runsLeaveSkippedPixelsWhite();
    void refusals_data();
    void refusals();
    void embeddedProfile();
    void calibratedRgb();
};

void BmpReaderTest::palettes_data() {
    QTest::addColumn<BmpFile>("file");
    const QList<QRgb> colours{0xff102030, 0xff405060, 0xff708090, 0xffa0b0c0, 0xffd0e0f0};
    const QList<QList<quint32>> indices{{0, 1, 0, 1, 1}, {1, 0, 0, 0, 1}};
    for (int bits : {1, 2, 4, 8}) {
        BmpFile file{
            .width = 5, .height = 2, .bitCount = bits, .palette = colours.mid(0, 1 << std::min(bits, 2))};
        file.pixels = packRows({indices[1], indices[0]}, bits);
        QTest::addRow("%d bits, bottom-up", bits) << file;
        file.height = -2;
        file.pixels = packRows(indices, bits);
        QTest::addRow("%d bits, top-down", bits) << file;
    }
    // OS/2 1.x: three-byte entries, and only as many as lie between header and pixels.
    BmpFile os2{.infoSize = 12, .width = 5, .height = 2, .bitCount = 8, .palette = colours.mid(0, 2)};
    os2.pixels = packRows({indices[1], indices[0]}, 8);
    QTest::newRow("OS/2 1.x, short palette") << os2;
    os2.bitCount = 4;
    os2.pixels = packRows({indices[1], indices[0]}, 4);
    QTest::newRow("OS/2 1.x, 4 bits, short palette") << os2;
    BmpFile os2v2{.infoSize = 64, .width = 5, .height = 2, .bitCount = 8, .palette = colours.mid(0, 2)};
    os2v2.pixels = packRows({indices[1], indices[0]}, 8);
    QTest::newRow("OS/2 2.x") << os2v2;
    os2v2.infoSize = 16;
    QTest::newRow("OS/2 2.x, shortest header") << os2v2;
}

void BmpReaderTest::palettes() {
    QFETCH(BmpFile, file);
    const DecodedPicture decoded = decode(file.bytes());
    const QRgb a = file.palette[0];
    const QRgb b = file.palette[1];
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    QCOMPARE(decoded.image.size(), QSize(5, 2));
    QCOMPARE(rowOf(decoded.image, 0), (QList<QRgb>{a, b, a, b, b}));
    QCOMPARE(rowOf(decoded.image, 1), (QList<QRgb>{b, a, a, a, b}));
    QVERIFY(decoded.colour.iccProfile.isEmpty());
}

void BmpReaderTest::channelsScaleToFullRange_data() {
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<quint32>("compression");
    QTest::addColumn<QList<quint32>>("masks");
    QTest::addColumn<quint32>("middle"); // a pixel value with each channel about half way
    QTest::addColumn<QRgb>("expected");  // by hand: round(value * 255 / channel maximum)
    using M = QList<quint32>;
    QTest::newRow("5-5-5 by default")
        << 16 << 0u << M{} << (16u << 10 | 16u << 5 | 16u) << qRgb(132, 132, 132);
    QTest::newRow("5-6-5") << 16 << 3u << M{0xf800, 0x07e0, 0x001f} << (16u << 11 | 32u << 5 | 16u)
                           << qRgb(132, 130, 132);
    QTest::newRow("2-3-1") << 16 << 3u << M{0x30, 0x0e, 0x01} << (1u << 4 | 3u << 1 | 1u)
                           << qRgb(85, 109, 255);
    QTest::newRow("3-10-3") << 16 << 3u << M{0xe000, 0x1ff8, 0x0007} << (3u << 13 | 512u << 3 | 4u)
                            << qRgb(109, 128, 146);
    QTest::newRow("7-18-7") << 32 << 3u << M{0xfe000000, 0x01ffff80, 0x7f} << (64u << 25 | 131072u << 7 | 1u)
                            << qRgb(129, 128, 2);
    QTest::newRow("11-11-10") << 32 << 3u << M{0xffe00000, 0x001ffc00, 0x3ff}
                              << (1024u << 21 | 1u << 10 | 512u) << qRgb(128, 0, 128);
    QTest::newRow("8-8-8 with the alpha byte unused") << 32 << 0u << M{} << 0x00806040u << qRgb(128, 96, 64);
    QTest::newRow("8-8-8 in a 52-byte header")
        << 32 << 3u << M{0xff, 0xff00, 0xff0000} << 0x00806040u << qRgb(64, 96, 128);
}

void BmpReaderTest::channelsScaleToFullRange() {
    QFETCH(int, bitCount);
    QFETCH(quint32, compression);
    QFETCH(QList<quint32>, masks);
    QFETCH(quint32, middle);
    QFETCH(QRgb, expected);
    BmpFile file{.width = 3, .height = 1, .bitCount = bitCount, .compression = compression};
    quint32 all = bitCount == 16 ? 0x7fff : 0xffffff;
    if (!masks.isEmpty()) {
        std::copy(masks.begin(), masks.end(), file.masks.begin());
        all = masks[0] | masks[1] | masks[2];
    }
    file.pixels = packRows({{all, 0, middle}}, bitCount);
    for (int infoSize : {40, 52, 124}) {
        file.infoSize = infoSize;
        const DecodedPicture decoded = decode(file.bytes());
        QCOMPARE(rowOf(decoded.image, 0), (QList<QRgb>{white, black, expected}));
    }
}

void BmpReaderTest::alphaComesThroughStraight() {
    // 10-10-10-2: opaque, clear, and a third opaque; 16-bit 4-4-4-4 the same.
    BmpFile file{.infoSize = 56,
                 .width = 3,
                 .height = 1,
                 .bitCount = 32,
                 .compression = 3,
                 .masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000}};
    file.pixels = packRows({{3u << 30 | 1023u << 20, 0u << 30 | 1023u << 20, 1u << 30 | 1023u << 20}}, 32);
    // Straight: the colour under transparency as stored, laid on white only after the colour stage.
    const QList<QRgb> expected{qRgba(255, 0, 0, 255), qRgba(255, 0, 0, 0), qRgba(255, 0, 0, 85)};
    const DecodedPicture decoded = decode(file.bytes());
    QCOMPARE(decoded.image.format(), QImage::Format_ARGB32);
    QCOMPARE(rowOf(decoded.image, 0), expected);
    file.infoSize = 40;
    file.compression = 6;
    QCOMPARE(rowOf(decode(file.bytes()).image, 0), expected);

    BmpFile sixteen{.infoSize = 108,
                    .width = 3,
                    .height = 1,
                    .bitCount = 16,
                    .compression = 3,
                    .masks = {0x0f00, 0x00f0, 0x000f, 0xf000}};
    sixteen.pixels = packRows({{0xff00, 0x0f00, 0x5f00}}, 16);
    QCOMPARE(rowOf(decode(sixteen.bytes()).image, 0), expected);
}

void BmpReaderTest::largeFilesComeInBlocks_data() {
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("height");
    QTest::newRow("24 bits, bottom-up") << 24 << 1700;
    QTest::newRow("24 bits, top-down") << 24 << -1700;
    QTest::newRow("32 bits") << 32 << 1200;
}

void BmpReaderTest::largeFilesComeInBlocks() {
    // Taller than one block of rows, so that rows from several reads must land in their places.
    QFETCH(int, bitCount);
    QFETCH(int, height);
    constexpr int width = 1000;
    const int rows = std::abs(height);
    const auto colour = [](int x, int y) {
        return quint32((x & 0xff) << 16 | (y & 0xff) << 8 | ((x + y) >> 4 & 0xff));
    };
    QList<QList<quint32>> stored;
    for (int i = 0; i < rows; ++i) {
        const int y = height > 0 ? rows - 1 - i : i;
        QList<quint32> row(width);
        for (int x = 0; x < width; ++x)
            row[x] = colour(x, y);
        stored.append(row);
    }
    const BmpFile file{
        .width = width, .height = height, .bitCount = bitCount, .pixels = packRows(stored, bitCount)};
    const QImage image = decode(file.bytes()).image;
    QCOMPARE(image.size(), QSize(width, rows));
    for (int y = 0; y < rows; y += 7)
        for (int x = 0; x < width; x += 13)
            QCOMPARE(image.pixel(x, y), 0xff000000u | colour(x, y));
    QCOMPARE(image.pixel(width - 1, rows - 1), 0xff000000u | colour(width - 1, rows - 1));
}

void BmpReaderTest::runsLeaveSkippedPixelsWhite() {
    const QList<QRgb> palette{0xff112233, 0xff445566, 0xff778899};
    // Bottom row: a run of 2 of colour 1, a literal 0 2 1, then the row ends early. Top row: a move of
    // two pixels right, a run of 2 of colour 2, then the end of the picture.
    const QByteArray rle8("\x02\x01\x00\x03\x00\x02\x01\x00\x00\x00"
                          "\x00\x02\x02\x00\x02\x02\x00\x01",
                          18);
    BmpFile file{
        .width = 7, .height = 2, .bitCount = 8, .compression = 1, .palette = palette, .pixels = rle8};
    const QRgb a = palette[0], b = palette[1], c = palette[2];
    QImage image = decode(file.bytes()).image;
    QCOMPARE(rowOf(image, 1), (QList<QRgb>{b, b, a, c, b, white, white}));
    QCOMPARE(rowOf(image, 0), (QList<QRgb>{white, white, c, c, white, white, white}));

    // RLE4: a run of 3 alternating 1 and 2, a literal of 3 nibbles 0 1 2 padded to a word, the end.
    const QByteArray rle4("\x03\x12\x00\x03\x01\x20\x00\x01", 8);
    BmpFile four{
        .width = 7, .height = 1, .bitCount = 4, .compression = 2, .palette = palette, .pixels = rle4};
    QCOMPARE(rowOf(decode(four.bytes()).image, 0), (QList<QRgb>{b, c, b, a, b, c, white}));

    // 78 KB of literal runs, more than the reader takes in at once: codes that span two blocks arrive whole.
    QByteArray literals;
    for (int y = 0; y < 300; ++y) {
        literals += QByteArray("\x00\xff", 2);
        for (int x = 0; x < 256; ++x) // 255 indices and a pad byte
            literals += char((x + y) % 3);
        literals += QByteArray("\x00\x00", 2);
    }
    BmpFile tall{.width = 255,
                 .height = 300,
                 .bitCount = 8,
                 .compression = 1,
                 .palette = palette,
                 .pixels = literals + QByteArray("\x00\x01", 2)};
    image = decode(tall.bytes()).image;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 255; ++x)
            QCOMPARE(image.pixel(x, 299 - y), palette[(x + y) % 3]);
}

void BmpReaderTest::refusals_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("failure");
    const QString invalid = QStringLiteral("Invalid picture");
    const QList<QRgb> palette{0xff000000, 0xffffffff};
    const BmpFile rle{.width = 4, .height = 2, .bitCount = 8, .compression = 1, .palette = palette};
    const auto runs = [&](const char* codes, int size) {
        BmpFile file = rle;
        file.pixels = QByteArray(codes, size);
        return file.bytes();
    };
    QTest::newRow("runs without an end mark") << runs("\x04\x01\x00\x00\x04\x00\x00\x00", 8) << invalid;
    QTest::newRow("runs cut in a code") << runs("\x04\x01\x00", 3) << invalid;
    QTest::newRow("run longer than a row") << runs("\x05\x01\x00\x01", 4) << invalid;
    QTest::newRow("literal longer than a row")
        << runs("\x00\x05\x01\x01\x01\x01\x01\x00\x00\x01", 10) << invalid;
    QTest::newRow("move past the right edge") << runs("\x00\x02\x05\x00\x00\x01", 6) << invalid;
    QTest::newRow("move past the top") << runs("\x00\x02\x00\x03\x00\x01", 6) << invalid;
    QTest::newRow("pixels above the top") << runs("\x00\x00\x00\x00\x01\x01\x00\x01", 8) << invalid;
    QTest::newRow("run of a colour past the palette") << runs("\x02\x02\x00\x01", 4) << invalid;

    BmpFile topDownRuns = rle;
    topDownRuns.height = -2;
    topDownRuns.pixels = QByteArray("\x00\x01", 2);
    QTest::newRow("runs stored top-down") << topDownRuns.bytes() << invalid;

    BmpFile rows{.width = 4, .height = 2, .bitCount = 8, .palette = palette};
    rows.pixels = packRows({{0, 1, 0, 1}, {1, 0, 2, 0}}, 8);
    QTest::newRow("index past the palette") << rows.bytes() << invalid;
    rows.pixels = packRows({{0, 1, 0, 1}}, 8);
    QTest::newRow("rows cut short") << rows.bytes() << invalid;
    rows.pixelOffset = 4000;
    QTest::newRow("pixels past the end") << rows.bytes() << invalid;

    BmpFile masks{.width = 1, .height = 1, .bitCount = 16, .compression = 3, .pixels = QByteArray(4, '\0')};
    const auto withMasks = [&](std::array<quint32, 4> m, int bits = 16) {
        BmpFile file = masks;
        file.masks = m;
        file.bitCount = bits;
        return file.bytes();
    };
    QTest::newRow("mask with a gap") << withMasks({0xf00f, 0x00f0, 0x0f00, 0}) << invalid;
    QTest::newRow("masks overlapping") << withMasks({0xff00, 0x0ff0, 0x000f, 0}) << invalid;
    QTest::newRow("mask wider than the pixel") << withMasks({0x1f0000, 0x00f0, 0x000f, 0}) << invalid;
    QTest::newRow("no colour masks at all") << withMasks({0, 0, 0, 0xff}, 32) << invalid;

    const auto header = [](int infoSize, int bitCount, quint32 compression, int width = 2, int height = 2) {
        return BmpFile{.infoSize = infoSize,
                       .width = width,
                       .height = height,
                       .bitCount = bitCount,
                       .compression = compression,
                       .pixels = QByteArray(64, '\0')}
            .bytes();
    };
    QTest::newRow("unknown header size") << header(100, 24, 0) << invalid;
    QTest::newRow("7 bits a pixel") << header(40, 7, 0) << invalid;
    QTest::newRow("JPEG inside") << header(40, 24, 4) << invalid;
    QTest::newRow("OS/2 Huffman coding") << header(64, 1, 3) << invalid;
    QTest::newRow("no width") << header(40, 24, 0, 0) << invalid;
    QTest::newRow("no height") << header(40, 24, 0, 2, 0) << invalid;
    QTest::newRow("not a BMP") << QByteArray("PK\3\4 not a picture at all, but long enough") << invalid;
    QTest::newRow("header cut short") << header(40, 24, 0).left(30) << invalid;
    QTest::newRow("too large") << header(40, 24, 0, 100000, 100000)
                               << QStringLiteral("Picture too large: 100000 x 100000 pixels");
}

void BmpReaderTest::refusals() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, failure);
    QCOMPARE(failureOf([&] { decode(bytes); }), failure);
}

void BmpReaderTest::embeddedProfile() {
    BmpFile file{.infoSize = 124, .width = 1, .height = 1, .bitCount = 24, .pixels = QByteArray(4, '\x7f')};
    file.profile = QByteArray("a profile's bytes, carried as they are");
    QCOMPARE(decode(file.bytes()).colour.iccProfile, file.profile);

    QByteArray cut = file.bytes();
    cut.chop(5);
    QCOMPARE(failureOf([&] { decode(cut); }), QStringLiteral("Invalid picture"));
}

void BmpReaderTest::calibratedRgb() {
    // Adobe RGB's primaries as XYZ at their share of a D65 white (Y 0.2974, 0.6273, 0.0753), gamma 2.2.
    struct Primary {
        double x, y, luminance;
    };
    const Primary primaries[] = {{0.64, 0.33, 0.2974}, {0.21, 0.71, 0.6273}, {0.15, 0.06, 0.0753}};
    QByteArray fields;
    for (const Primary& p : primaries)
        for (double value : {p.x / p.y * p.luminance, p.luminance, (1 - p.x - p.y) / p.y * p.luminance}) {
            const quint32 fixed = quint32(value * (1 << 30));
            fields.append(reinterpret_cast<const char*>(&fixed), 4);
        }
    const quint32 gamma = quint32(2.2 * 65536);
    for (int channel = 0; channel < 3; ++channel)
        fields.append(reinterpret_cast<const char*>(&gamma), 4);
    const BmpFile file{
        .infoSize = 108, .width = 1, .height = 1, .bitCount = 24, .pixels = QByteArray(4, '\0')};
    QByteArray bytes = file.bytes();
    bytes.replace(14 + 60, fields.size(), fields); // the colour space type at 14 + 56 is 0: calibrated

    const picture::ColourDescription colour = decode(bytes).colour;
    QVERIFY(colour.chromaticities);
    const picture::Chromaticities& c = *colour.chromaticities;
    for (auto [got, want] : {std::pair{c.redX, 0.64},
                             {c.redY, 0.33},
                             {c.greenX, 0.21},
                             {c.greenY, 0.71},
                             {c.blueX, 0.15},
                             {c.blueY, 0.06},
                             {c.whiteX, 0.3127},
                             {c.whiteY, 0.3290}})
        QVERIFY2(std::abs(got - want) < 0.001, qPrintable(QString::number(got)));
    QVERIFY(std::abs(colour.fileGamma - 1 / 2.2) < 0.0001);

    // Left all zero, the fields say nothing.
    QVERIFY(!decode(file.bytes()).colour.chromaticities);
}

QTEST_GUILESS_MAIN(BmpReaderTest)
#include "bmp_reader_test.moc"
