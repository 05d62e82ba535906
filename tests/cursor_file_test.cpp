#include "support/BmpFile.h"
#include "support/DamagedPictures.h"
#include "support/FailureOf.h"
#include "support/PatchedBytes.h"

#include "desktop/Failure.h"
#include "picture/formats/CursorFile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <functional>

namespace {

// A device-independent bitmap: `value` gives a palette index at 1, 4 and 8 bits, 0xAARRGGBB above;
// `masked` marks the pixels the AND mask makes transparent.
struct Dib {
    int width;
    int height;
    int bitCount;
    QList<QRgb> palette;
    std::function<quint32(int, int)> value;
    std::function<bool(int, int)> masked = [](int, int) { return false; };

    QByteArray bytes() const {
        QList<QList<quint32>> colours;
        QList<QList<quint32>> mask;
        for (int y = height - 1; y >= 0; --y) {
            colours.emplaceBack();
            mask.emplaceBack();
            for (int x = 0; x < width; ++x) {
                colours.last() << value(x, y);
                mask.last() << (masked(x, y) ? 1u : 0u);
            }
        }
        const test::BmpFile file{.width = width,
                                 .height = 2 * height,
                                 .bitCount = bitCount,
                                 .palette = palette,
                                 .pixels = test::packRows(colours, bitCount) + test::packRows(mask, 1)};
        return file.bytes().mid(14); // without the file's header
    }
};

Dib paletted(int bitCount) {
    const int colours = 1 << std::min(bitCount, 3);
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(qRgb(30 * i, 255 - 30 * i, (70 * i) % 256));
    return Dib{13, 7, bitCount, palette, [colours](int x, int y) { return quint32((x + 2 * y) % colours); }};
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage redSquare() {
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    return picture;
}

QString parseFailure(const QByteArray& data) {
    return failureOf([&data] { picture::CursorFile::parse(data); });
}

const QString invalidPicture = QStringLiteral("Invalid picture");

// A well-formed file, a starting point for the malformed ones.
QByteArray validFile() {
    return test::cursorFile({{13, 7, QPoint(2, 3), paletted(4).bytes()}});
}

} // namespace

class CursorFileTest : public QObject {
    Q_OBJECT

private slots:
    void readsPalettedPictures_data() {
        QTest::addColumn<int>("bitCount");
        QTest::newRow("1 bpp") << 1;
        QTest::newRow("4 bpp") << 4;
        QTest::newRow("8 bpp") << 8;
    }

    void readsPalettedPictures() {
        QFETCH(int, bitCount);
        Dib dib = paletted(bitCount);
        dib.masked = [](int x, int y) { return x == 12 && y == 0; };
        const picture::PointerImage pointer =
            picture::CursorFile::parse(test::cursorFile({{13, 7, QPoint(4, 5), dib.bytes()}}));
        QCOMPARE(pointer.image.size(), QSize(13, 7));
        QCOMPARE(pointer.hotSpot, QPoint(4, 5));
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                const QRgb expected =
                    dib.masked(x, y) ? qRgba(0, 0, 0, 0) : dib.palette[int(dib.value(x, y))];
                QCOMPARE(pointer.image.pixel(x, y), expected);
            }
        }
    }

    void readsTrueColourPictures_data() {
        QTest::addColumn<int>("bitCount");
        QTest::newRow("24 bpp") << 24;
        QTest::newRow("32 bpp without alpha") << 32;
    }

    void readsTrueColourPictures() {
        QFETCH(int, bitCount);
        const auto colour = [](int x, int y) { return qRgb(x * 19, y * 35, 200 - x); };
        const Dib dib{13,
                      7,
                      bitCount,
                      {},
                      [&](int x, int y) { return colour(x, y) & 0xffffffu; },
                      [](int x, int y) { return x == y; }};
        const QImage image =
            picture::CursorFile::parse(test::cursorFile({{13, 7, QPoint(), dib.bytes()}})).image;
        QCOMPARE(image.size(), QSize(13, 7));
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x)
                QCOMPARE(image.pixel(x, y), x == y ? qRgba(0, 0, 0, 0) : colour(x, y));
        }
    }

    void alphaChannelWinsOverMask() {
        const Dib dib{4,
                      4,
                      32,
                      {},
                      [](int x, int y) { return quint32(x * 60) << 24 | quint32(y * 50); },
                      [](int, int) { return true; }};
        const QImage image =
            picture::CursorFile::parse(test::cursorFile({{4, 4, QPoint(), dib.bytes()}})).image;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x)
                QCOMPARE(image.pixel(x, y), qRgba(0, 0, y * 50, x * 60));
        }
    }

    void readsPngEntries() {
        QImage picture(16, 12, QImage::Format_ARGB32);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x)
                picture.setPixel(x, y, qRgba(x * 15, y * 20, 90, x < 8 ? 255 : 0));
        }
        const picture::PointerImage pointer =
            picture::CursorFile::parse(test::cursorFile({{16, 12, QPoint(7, 11), pngBytes(picture)}}));
        QCOMPARE(pointer.hotSpot, QPoint(7, 11));
        QCOMPARE(pointer.image.convertToFormat(QImage::Format_ARGB32), picture);
    }

    void picksTheEntryClosestTo32() {
        const auto entry = [](int side, QPoint hotSpot) {
            const int shown = side == 0 ? 256 : side;
            return test::CursorEntry{side, side, hotSpot,
                                     Dib{shown, shown, 24, {}, [](int, int) { return 0u; }}.bytes()};
        };
        const picture::PointerImage pointer =
            picture::CursorFile::parse(test::cursorFile({entry(0, QPoint(1, 1)), entry(16, QPoint(2, 2)),
                                                         entry(30, QPoint(3, 4)), entry(48, QPoint(5, 5))}));
        QCOMPARE(pointer.image.size(), QSize(30, 30));
        QCOMPARE(pointer.hotSpot, QPoint(3, 4));
        // Of two entries equally close, the first wins.
        const picture::PointerImage tie =
            picture::CursorFile::parse(test::cursorFile({entry(34, QPoint(6, 6)), entry(30, QPoint(3, 4))}));
        QCOMPARE(tie.image.size(), QSize(34, 34));
        QCOMPARE(tie.hotSpot, QPoint(6, 6));
        // A lone entry of the largest size a cursor may have.
        QCOMPARE(picture::CursorFile::parse(test::cursorFile({entry(0, QPoint(1, 1))})).image.size(),
                 QSize(256, 256));
    }

    void refusesMalformedFiles_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray valid = validFile();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << valid.left(6);
        QTest::newRow("directory cut short") << valid.left(15);
        QTest::newRow("icon, not cursor") << patched<quint16>(valid, 2, 1);
        QTest::newRow("reserved word set") << patched<quint16>(valid, 0, 1);
        QTest::newRow("no entries") << patched<quint16>(valid, 4, 0);
        QTest::newRow("huge count") << patched<quint16>(valid, 4, 0xffff);
        QTest::newRow("offset past end") << patched<quint32>(valid, 18, 0xfffffff0u);
        QTest::newRow("offset and length wrap")
            << patched<quint32>(patched<quint32>(valid, 14, 0xffffffffu), 18, 0xffffffffu);
        QTest::newRow("length past end") << patched<quint32>(valid, 14, quint32(valid.size()));
        QTest::newRow("empty image") << patched<quint32>(valid, 14, 0);

        const auto withDib = [](qsizetype at, auto value) {
            return test::cursorFile({{13, 7, QPoint(), patched(paletted(4).bytes(), at, value)}});
        };
        QTest::newRow("odd doubled height") << withDib(8, 13);
        QTest::newRow("negative height") << withDib(8, -14);
        QTest::newRow("zero width") << withDib(4, 0);
        QTest::newRow("giant width") << withDib(4, 100000);
        QTest::newRow("16 bpp") << withDib(14, quint16(16));
        QTest::newRow("compressed") << withDib(16, 2);
        QTest::newRow("small header") << withDib(0, 12);
        QTest::newRow("header past end") << withDib(0, 0x7fffffff);
        QTest::newRow("too many colours") << withDib(32, 17);
        QTest::newRow("index past palette") << withDib(32, 2);
        QTest::newRow("hot spot outside") << test::cursorFile({{13, 7, QPoint(13, 0), paletted(4).bytes()}});

        const QImage picture = redSquare();
        QByteArray giantPng = pngBytes(picture);
        qToBigEndian(quint32(100000), giantPng.data() + 16);
        QTest::newRow("giant png") << test::cursorFile({{8, 8, QPoint(), giantPng}});
        QTest::newRow("png signature then garbage")
            << test::cursorFile({{8, 8, QPoint(), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'x')}});
        QTest::newRow("png cut short") << test::cursorFile({{8, 8, QPoint(), pngBytes(picture).left(60)}});
        QTest::newRow("png with bytes after its zlib stream") << test::cursorFile(
            {{8, 8, QPoint(), damaged::pngWithBytesAfterZlibStream(pngBytes(picture), 4)}});
    }

    void refusesMalformedFiles() {
        QFETCH(QByteArray, data);
        QCOMPARE(parseFailure(data), invalidPicture);
    }

    void refusesEveryCutOfAPicture() {
        const QByteArray dib = paletted(8).bytes();
        for (qsizetype length = 0; length < dib.size(); ++length)
            QCOMPARE(parseFailure(test::cursorFile({{13, 7, QPoint(), dib.left(length)}})), invalidPicture);
    }

    void survivesDamagedFiles() {
        // Any damage is either refused as an invalid picture or read as some pointer; nothing else.
        const QByteArray valid = test::cursorFile(
            {{13, 7, QPoint(2, 3), paletted(8).bytes()}, {8, 8, QPoint(1, 1), pngBytes(redSquare())}});
        quint32 seed = 7;
        const auto next = [&seed](quint32 range) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % range;
        };
        for (int round = 0; round < 3000; ++round) {
            QByteArray data = valid;
            for (quint32 hits = 1 + next(4); hits > 0; --hits)
                data[next(quint32(data.size()))] = char(next(256));
            try {
                const picture::PointerImage pointer = picture::CursorFile::parse(data);
                QVERIFY(pointer.image.width() <= 256 && pointer.image.height() <= 256);
                QVERIFY(pointer.image.rect().contains(pointer.hotSpot));
            } catch (const desktop::Failure& failure) {
                QCOMPARE(failure.description(), invalidPicture);
            }
        }
    }

    void loadRefusesMissingAndOversizedFiles() {
        QTemporaryDir dir;
        QCOMPARE(failureOf([&] { picture::CursorFile::load(dir.filePath("none.cur")); }),
                 QStringLiteral("File not found"));
        QFile big(dir.filePath("big.cur"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(validFile());
        big.write(QByteArray(8 * 1024 * 1024, '\0'));
        big.close();
        QCOMPARE(failureOf([&] { picture::CursorFile::load(big.fileName()); }), invalidPicture);
    }

    void shippedHandPointsWithItsFingertip() {
        const QString path = qEnvironmentVariable("KESTRELLE_BUILD_DIR") + "/HAND-M.CUR";
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const picture::PointerImage hand = picture::CursorFile::parse(file.readAll());
        QCOMPARE(hand.image.size(), QSize(32, 32));
        QCOMPARE(qAlpha(hand.image.pixel(0, 31)), 0);
        QCOMPARE(qAlpha(hand.image.pixel(hand.hotSpot)), 255);
        int topRow = -1;
        bool hasWhite = false;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = hand.image.pixel(x, y);
                if (qAlpha(pixel) != 0 && topRow < 0)
                    topRow = y;
                hasWhite = hasWhite || pixel == qRgb(255, 255, 255);
            }
        }
        QCOMPARE(hand.hotSpot.y(), topRow);
        QVERIFY(hasWhite);

        const QCursor cursor = picture::CursorFile::load(path);
        QCOMPARE(cursor.hotSpot(), hand.hotSpot);
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    }
};

QTEST_MAIN(CursorFileTest)
#include "cursor_file_test.moc"
