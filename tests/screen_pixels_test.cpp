#include "support/MainWindowRig.h"
#include "support/Pictures.h"

#include "desktop/Application.h"
#include "ui/Appearance.h"

#include <QApplication>
#include <QtTest>

// With a scale factor forced for a high-density screen, pictures are still shown pixel for pixel and the
// pane arithmetic stays in picture pixels; the window and its text grow instead.
class ScreenPixelsTest : public QObject {
    Q_OBJECT

private slots:
    void forcedScaleShowsPicturesPixelForPixel();
};

void ScreenPixelsTest::forcedScaleShowsPicturesPixelForPixel() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    QCOMPARE(f.window()->devicePixelRatioF(), 1.0);
    // The design in twips grows with the dots per inch: 536 x 479 at 96 becomes 1072 x 958 at 192.
    QCOMPARE(f.window()->size(), QSize(1072, 958));
    const QImage picture = pictures::coordinates(1200, 900);
    rig.open(1, picture);
    QCOMPARE(f.Picture1.widget()->size(), picture.size());
    QCOMPARE(f.Picture2.widget()->width(), 510);
    QCOMPARE(f.HScroll1.max(), 69);
    QCOMPARE(f.pane1.HScrollUnit, 10);
    rig.press(Qt::Key_Right);
    rig.press(Qt::Key_Down);
    const QImage shown = f.window()->grab().toImage();
    const QPoint inside = f.Picture2.widget()->pos() + QPoint(1, 1);
    for (const QPoint at : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(137, 211), QPoint(300, 400)})
        QCOMPARE(QColor(shown.pixel(inside + at)), QColor(picture.pixel(at + QPoint(10, 10))));
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    ui::useScreenPixels();
    QApplication app(argc, argv);
    ScreenPixelsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "screen_pixels_test.moc"
