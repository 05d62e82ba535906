#include "support/E2e.h"
#include "support/MainWindowLayout.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QtTest>

#include <memory>

// The main window as a person meets it: its looks at start-up, its message boxes, the samples, closing.
class MainWindowE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensCentredWithEachCaptionInPlaceAndNothingElseShowing();
    void helpAndAFullScreenWithoutPicturesAnswerWithABox();
    void samplesFillBothPanesThroughALauncherLinkAndNoOpensNothing();
    void closingTheWindowEndsTheProgram();

private:
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

namespace {

const QRgb black = qRgb(0, 0, 0);
const QRgb white = qRgb(255, 255, 255);

// Empty when the frame is a 1-pixel black line with white inside it; otherwise the first pixel that is not.
QString frameFault(const QImage& client, QRect frame) {
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        for (int x = frame.left(); x <= frame.right(); ++x) {
            const bool edge =
                x == frame.left() || x == frame.right() || y == frame.top() || y == frame.bottom();
            if (client.pixel(x, y) != (edge ? black : white))
                return QStringLiteral("pixel (%1,%2) is #%3")
                    .arg(x)
                    .arg(y)
                    .arg(client.pixel(x, y) & 0xffffff, 6, 16);
        }
    }
    return {};
}

// Empty when every pixel outside the frames and captioned controls has the window's background colour.
QString strayPixel(const QImage& client, QRgb background) {
    QRegion controls;
    for (const QRect& frame : layout::frames)
        controls += frame;
    for (const layout::Control& control : layout::captioned)
        controls += control.rect;
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x)
            if (!controls.contains(QPoint(x, y)) && client.pixel(x, y) != background)
                return QStringLiteral("pixel (%1,%2)").arg(x).arg(y);
    return {};
}

bool sameArea(const QImage& shown, const QImage& picture) {
    return shown == picture.copy(QRect(QPoint(), shown.size())).convertToFormat(shown.format());
}

} // namespace

void MainWindowE2e::initTestCase() {
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void MainWindowE2e::init() {
    viewer_ = std::make_unique<Viewer>(*session_, e2e::program());
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
}

void MainWindowE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

void MainWindowE2e::opensCentredWithEachCaptionInPlaceAndNothingElseShowing() {
    QCOMPARE(
        session_->run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), viewer_->mainWindow()}),
        QByteArray("Kestrelle\n"));
    const QRect client = viewer_->readClientRect();
    QCOMPARE(client.size(), layout::clientSize);
    const QSize room = e2e::screenSize - client.size();
    QVERIFY2(qAbs(client.x() - room.width() / 2) <= 1 && qAbs(client.y() - room.height() / 2) <= 1,
             qPrintable(QStringLiteral("client area at (%1,%2)").arg(client.x()).arg(client.y())));

    const QImage shot = session_->screenshot().copy(client);
    for (const QRect& frame : layout::frames)
        QCOMPARE(frameFault(shot, frame), QString());
    // The hidden text box and the scroll bars lie outside the client area; nothing else may show.
    QCOMPARE(strayPixel(shot, shot.pixel(2, 2)), QString());

    // Each caption on the control at its place, once the program has published its controls.
    const auto places = [&] {
        QList<QRect> found;
        const QList<AccessibilityBus::Object> objects = viewer_->objects(QStringLiteral("^Kestrelle$"));
        for (const layout::Control& control : layout::captioned) {
            QRect place;
            for (const AccessibilityBus::Object& object : objects)
                if (object.name == QLatin1String(control.caption))
                    place = object.extents.translated(-client.topLeft());
            found << place;
        }
        return found;
    };
    QList<QRect> designed;
    for (const layout::Control& control : layout::captioned)
        designed << control.rect;
    QCOMPARE(settle(places, designed), designed);
}

void MainWindowE2e::helpAndAFullScreenWithoutPicturesAnswerWithABox() {
    viewer_->clickButton(QStringLiteral("Help"));
    const QString help =
        QStringLiteral("Use arrow keys on keyboard to move around picture. Press down arrow to move "
                       "down, right arrow to move right, up arrow to move up, left arrow to move "
                       "left.\n\nYou may need to click on picture to enable keyboard arrows.");
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Kestrelle$"), help, QStringLiteral("Return")), help);

    viewer_->clickButton(QStringLiteral("Show Full Screen"));
    const QString please = QStringLiteral("Please load images first.");
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Kestrelle$"), please, QStringLiteral("Return")), please);
    QVERIFY(session_->windows(QStringLiteral("^Form2$")).isEmpty());
    QVERIFY(session_->windows(QStringLiteral("^Kestrelle$")).contains(viewer_->mainWindow()));
}

// Started through a link elsewhere, as the installed launcher starts it, the program still finds the
// samples beside its own file.
void MainWindowE2e::samplesFillBothPanesThroughALauncherLinkAndNoOpensNothing() {
    QTemporaryDir launchers;
    const QString link = launchers.filePath(QStringLiteral("kestrelle"));
    QVERIFY(QFile::link(e2e::program(), link));
    viewer_.reset();
    viewer_ = std::make_unique<Viewer>(*session_, link);
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");

    QCOMPARE(viewer_->loadSamplesAnsweringNo(), Viewer::samplesQuestion);
    const QString folder = QFileInfo(e2e::program()).absolutePath() + QStringLiteral("/Samples/");
    const QImage sample1(folder + QStringLiteral("sample1.bmp"));
    const QImage sample2(folder + QStringLiteral("sample2.bmp"));
    QVERIFY(!sample1.isNull() && !sample2.isNull());
    const auto shown = [&] {
        const QImage screen = session_->screenshot();
        return sameArea(viewer_->pictureArea(screen, 1), sample1) &&
               sameArea(viewer_->pictureArea(screen, 2), sample2);
    };
    QVERIFY2(settle(shown, true), "the panes do not show the samples from their top-left corners");
    QVERIFY2(!session_->openedThings().contains(QStringLiteral("Samples")),
             qPrintable(session_->openedThings()));
}

void MainWindowE2e::closingTheWindowEndsTheProgram() {
    session_->run(QStringLiteral("wmctrl"),
                  {QStringLiteral("-i"), QStringLiteral("-c"), viewer_->mainWindow()});
    QCOMPARE(viewer_->process().waitForExit(10000), std::optional<int>(0));
}

QTEST_GUILESS_MAIN(MainWindowE2e)
#include "main_window_e2e.moc"
