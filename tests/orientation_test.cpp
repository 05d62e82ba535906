#include "picture/Orientation.h"

#include <QTest>

using picture::DecodedPicture;
using picture::Orientation;

class OrientationTest : public QObject {
    Q_OBJECT

private slots:
    void everyExifValue_data();
    void everyExifValue();
};

void OrientationTest::everyExifValue_data() {
    QTest::addColumn<int>("orientation");
    for (int value = 0; value <= 9; ++value)
        QTest::addRow("%d", value) << value;
}

void OrientationTest::everyExifValue() {
    QFETCH(int, orientation);
    constexpr int width = 5;
    constexpr int height = 3;
    // Every pixel tells where it was stored.
    QImage stored(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            stored.setPixel(x, y, qRgb(x, y, 0));
    DecodedPicture decoded;
    decoded.image = stored;
    decoded.orientation = orientation;
    Orientation::apply(decoded);

    // Where the stored pixel (x, y) is seen, as EXIF defines each value; unknown values change nothing.
    const auto seenAt = [&](int x, int y) {
        switch (orientation) {
        case 2:
            return QPoint(width - 1 - x, y);
        case 3:
            return QPoint(width - 1 - x, height - 1 - y);
        case 4:
            return QPoint(x, height - 1 - y);
        case 5:
            return QPoint(y, x);
        case 6:
            return QPoint(height - 1 - y, x);
        case 7:
            return QPoint(height - 1 - y, width - 1 - x);
        case 8:
            return QPoint(y, width - 1 - x);
        default:
            return QPoint(x, y);
        }
    };
    const bool quarterTurn = orientation >= 5 && orientation <= 8;
    QCOMPARE(decoded.image.size(), quarterTurn ? QSize(height, width) : QSize(width, height));
    QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
    QCOMPARE(decoded.orientation, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            QCOMPARE(decoded.image.pixel(seenAt(x, y)), qRgb(x, y, 0));
}

QTEST_GUILESS_MAIN(OrientationTest)
#include "orientation_test.moc"
