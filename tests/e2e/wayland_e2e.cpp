#include "support/ChildProcess.h"
#include "support/CodedPicture.h"
#include "support/E2e.h"
#include "support/Settle.h"

#include <QDir>
#include <QtTest>

#include <memory>
#include <optional>

// The program on a Wayland-only desktop: a weston of the test's own, at output scale 1 and 2. Weston runs
// on the test's X server, whose window it draws into and whose pointer and keyboard it takes, so xdotool
// drives the Wayland session and a screenshot of the X server shows exactly what weston shows. The
// program is told of no platform: with only a Wayland display it picks Wayland itself.
class WaylandE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void picturesShowPixelForPixelPanAndGoFullScreenAndBack_data();
    void picturesShowPixelForPixelPanAndGoFullScreenAndBack();

private:
    // Where the screen shows the picture's pixel at its top-left corner, checked pixel for pixel over a
    // block beside it; nothing if the screen does not show it so.
    std::optional<QPoint> find(const QImage& screen, int number, QPoint pixel) const;
    std::optional<QPoint> waitFor(int number, QPoint pixel) const;
    // Whether the picture's pixel comes to show at that place of the screen, pixel for pixel.
    bool waitUntilShownAt(int number, QPoint pixel, QPoint at) const;

    QTemporaryDir folder_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<ChildProcess> weston_;
    std::unique_ptr<ChildProcess> viewer_;
    QImage pictures_[2];
};

namespace {

constexpr QSize xScreen(1400, 1200);
constexpr QSize outputPixels(1360, 1160);
constexpr int block = 48;

} // namespace

void WaylandE2e::initTestCase() {
    QVERIFY(folder_.isValid());
    pictures_[0] = coded::picture(1, QSize(900, 1000));
    pictures_[1] = coded::picture(2, QSize(880, 960));
    QVERIFY(pictures_[0].save(folder_.filePath(QStringLiteral("one.bmp"))));
    QVERIFY(pictures_[1].save(folder_.filePath(QStringLiteral("two.bmp"))));
    QFile config(folder_.filePath(QStringLiteral("weston.ini")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    // No panel, a white background, and no on-screen keyboard: an input method would take the keys.
    config.write("[core]\nidle-time=0\n[shell]\npanel-position=none\nbackground-color=0xffffffff\n"
                 "[input-method]\npath=\n");
    config.close();
    session_ = std::make_unique<XSession>(xScreen);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void WaylandE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
    weston_.reset();
}

std::optional<QPoint> WaylandE2e::find(const QImage& shot, int number, QPoint pixel) const {
    const QImage screen = shot.convertToFormat(QImage::Format_RGB32);
    const QImage& picture = pictures_[number - 1];
    const QImage wanted = picture.copy(QRect(pixel, QSize(block, block)));
    const QRgb corner = picture.pixel(pixel);
    for (int y = 0; y + block <= screen.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int x = 0; x + block <= screen.width(); ++x) {
            if ((line[x] & 0xffffff) == (corner & 0xffffff) && screen.copy(x, y, block, block) == wanted)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

std::optional<QPoint> WaylandE2e::waitFor(int number, QPoint pixel) const {
    std::optional<QPoint> at;
    settle([&] { return (at = find(session_->screenshot(), number, pixel)).has_value(); }, true,
           std::chrono::seconds(30));
    return at;
}

bool WaylandE2e::waitUntilShownAt(int number, QPoint pixel, QPoint at) const {
    const auto shown = [&] { return find(session_->screenshot(), number, pixel) == at; };
    return settle(shown, true, std::chrono::seconds(30));
}

void WaylandE2e::picturesShowPixelForPixelPanAndGoFullScreenAndBack_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("scale 1") << 1;
    QTest::newRow("scale 2") << 2;
}

void WaylandE2e::picturesShowPixelForPixelPanAndGoFullScreenAndBack() {
    QFETCH(int, scale);
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    QProcessEnvironment environment = session_->programEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    // Up once its socket is there and its white background shows on the X server (away from its pointer, in
    // the middle). On a busy machine weston's window has once in a while failed to show at all; a second
    // weston is given its chance then.
    QString socket;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        socket = QStringLiteral("kestrelle-%1-%2").arg(scale).arg(attempt);
        weston_ = std::make_unique<ChildProcess>(
            QStringLiteral("weston"),
            QStringList{QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--use-pixman"),
                        QStringLiteral("--width=%1").arg(outputPixels.width() / scale),
                        QStringLiteral("--height=%1").arg(outputPixels.height() / scale),
                        QStringLiteral("--scale=%1").arg(scale), QStringLiteral("--socket=") + socket,
                        QStringLiteral("--config=") + folder_.filePath(QStringLiteral("weston.ini"))},
            environment);
        QVERIFY(weston_->started());
        const auto up = [&] {
            return QFile::exists(runtime.filePath(socket)) &&
                   session_->screenshot().pixel(xScreen.width() / 2, 200) == qRgb(255, 255, 255);
        };
        if (settle(up, true, std::chrono::seconds(20)))
            break;
        qWarning("weston did not show; the X server's windows:\n%s",
                 session_->run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
                     .constData());
        weston_.reset();
    }
    QVERIFY2(weston_, "weston did not show");

    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    viewer_ = std::make_unique<ChildProcess>(
        e2e::program(),
        QStringList{folder_.filePath(QStringLiteral("one.bmp")), folder_.filePath(QStringLiteral("two.bmp"))},
        environment);

    // Both pictures from their corners, one picture pixel on one screen pixel; the panes lie side by side,
    // 264 of the window's units apart, each unit `scale` screen pixels.
    const std::optional<QPoint> pane1 = waitFor(1, {0, 0});
    QVERIFY(pane1);
    const std::optional<QPoint> pane2 = find(session_->screenshot(), 2, {0, 0});
    QVERIFY(pane2);
    QCOMPARE(*pane2 - *pane1, QPoint(264 * scale, 0));

    // The keyboard goes to the window once it is clicked (on its caption strip, which takes no focus); each
    // arrow pans both panes by one 10-unit step, 10 * scale picture pixels.
    const auto at = [&](QPoint window) { return *pane1 + (window - QPoint(9, 36)) * scale; };
    session_->click(at({136, 17}));
    session_->press({QStringLiteral("Right"), QStringLiteral("Down")});
    const QPoint step(10 * scale, 10 * scale);
    QVERIFY(waitUntilShownAt(1, step, *pane1));
    QVERIFY(waitUntilShownAt(2, step, *pane2));

    // Full screen, from the keyboard: the text box still has the focus, and "Show Full Screen" is sixth
    // after it in the tab order. Both pictures show from their corners, pixel for pixel; Esc brings the main
    // window back with its panes as they were.
    session_->press({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                     QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                     QStringLiteral("space")});
    const std::optional<QPoint> full1 = waitFor(1, {0, 0});
    QVERIFY(full1);
    // Pane 1's scroll bar lies over the left edge of pane 2 here, so a pixel right of it is looked for.
    const std::optional<QPoint> full2 = waitFor(2, {64, 0});
    QVERIFY(full2);
    QVERIFY(full2->x() > full1->x());
    session_->press({QStringLiteral("Escape")});
    // The main window comes back where it was, panes as they were, and takes the keys again. The compositor
    // hands the keyboard back a moment after the window shows, so Left is pressed until it takes; at the
    // left end a second press changes nothing.
    QVERIFY(waitUntilShownAt(1, step, *pane1));
    QVERIFY(waitUntilShownAt(2, step, *pane2));
    QVERIFY(settle(
        [&] {
            session_->press({QStringLiteral("Left")});
            return find(session_->screenshot(), 1, {0, step.y()}) == *pane1;
        },
        true, std::chrono::seconds(30)));
    QVERIFY(waitUntilShownAt(2, {0, step.y()}, *pane2));
    QVERIFY(viewer_->running());
}

QTEST_MAIN(WaylandE2e)
#include "wayland_e2e.moc"
