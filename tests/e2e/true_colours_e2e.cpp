#include "support/E2e.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QColorSpace>
#include <QtTest>

#include <memory>

// An Adobe RGB picture beside its sRGB twin shows the same colours on the screen, in the main window and
// over the whole screen. The program runs from a copy of its folder whose samples are the two pictures:
// bands of green, red, blue and a skin tone, 400 x 25 pixels each; the Adobe RGB one carries its profile.
class TrueColoursE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void twinsShowTheSameColours();

private:
    QTemporaryDir folder_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

namespace {

const QList<QRgb> colours{qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(200, 150, 100)};
const QSize screen = e2e::screenSize;
// Where full screen shows its pictures; pane 1's scroll bar lies over the left of pane 2.
const QRect fullScreenArea1(9, 41, screen.width() / 2 - 2, screen.height() - 15 - 2);
const QRect fullScreenArea2(screen.width() / 2 + 1, 41, screen.width() / 2 - 2, screen.height() - 15 - 2);

QImage bands() {
    QImage image(400, 25 * int(colours.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colours[y / 25]);
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

// "as sRGB" when every band of the picture's top left shows its sRGB colour within 2, else what it shows.
QString reading(const QImage& area) {
    QStringList seen;
    bool right = true;
    for (int band = 0; band < colours.size(); ++band) {
        const QRgb pixel = area.pixel(60, band * 25 + 12);
        const QRgb want = colours[band];
        right = right && std::abs(qRed(pixel) - qRed(want)) <= 2 &&
                std::abs(qGreen(pixel) - qGreen(want)) <= 2 && std::abs(qBlue(pixel) - qBlue(want)) <= 2;
        seen << QStringLiteral("(%1,%2,%3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
    }
    return right ? QStringLiteral("as sRGB") : seen.join(' ');
}

const QString bothAsSrgb = QStringLiteral("pane 1: as sRGB; pane 2: as sRGB");

} // namespace

void TrueColoursE2e::initTestCase() {
    QVERIFY(folder_.isValid());
    QVERIFY(e2e::copyProgramTo(folder_.path()));
    const QDir copy(folder_.path());
    // The program goes by content: PNG files under the samples' names. The toolkit's writer embeds the
    // profile.
    const QImage adobe = bands().convertedToColorSpace(QColorSpace::AdobeRgb);
    QCOMPARE(adobe.pixel(0, 0), qRgb(144, 255, 60));
    QVERIFY(adobe.save(copy.filePath(QStringLiteral("Samples/sample1.bmp")), "png"));
    QVERIFY(bands().save(copy.filePath(QStringLiteral("Samples/sample2.bmp")), "png"));
    session_ = std::make_unique<XSession>(screen);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void TrueColoursE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

void TrueColoursE2e::twinsShowTheSameColours() {
    viewer_ = std::make_unique<Viewer>(*session_, folder_.filePath(QStringLiteral("kestrelle")));
    Viewer& viewer = *viewer_;
    QVERIFY2(viewer.waitForMainWindow(), "the main window did not show");
    QCOMPARE(viewer.loadSamplesAnsweringNo(), Viewer::samplesQuestion);
    const auto mainWindow = [&] {
        const QImage shot = session_->screenshot();
        return QStringLiteral("pane 1: %1; pane 2: %2")
            .arg(reading(viewer.pictureArea(shot, 1)), reading(viewer.pictureArea(shot, 2)));
    };
    QCOMPARE(settle(mainWindow, bothAsSrgb), bothAsSrgb);

    viewer.clickButton(QStringLiteral("Show Full Screen"));
    const QString fullScreen = viewer.waitForWindow(QStringLiteral("^Form2$"));
    QVERIFY2(!fullScreen.isEmpty(), "full screen did not show");
    const QRect whole(QPoint(), screen);
    QCOMPARE(settle([&] { return session_->clientRect(fullScreen); }, whole), whole);
    const auto overTheScreen = [&] {
        const QImage shot = session_->screenshot();
        return QStringLiteral("pane 1: %1; pane 2: %2")
            .arg(reading(shot.copy(fullScreenArea1)), reading(shot.copy(fullScreenArea2)));
    };
    QCOMPARE(settle(overTheScreen, bothAsSrgb), bothAsSrgb);
}

QTEST_GUILESS_MAIN(TrueColoursE2e)
#include "true_colours_e2e.moc"
