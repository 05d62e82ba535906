#include "support/CodedPicture.h"
#include "support/E2e.h"
#include "support/MainWindowLayout.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QtTest>

#include <functional>
#include <memory>

// Both pictures over the whole screen, from the button and from maximising the main window, and back with
// Esc. The program runs from a copy of its folder whose samples are coded pictures: picture 1 (700 x 1100)
// passes a full-screen frame (W/2 x H-15 = 640 x 1009) by 60 x 91 pixels, so it pans in 1-pixel steps;
// picture 2 (300 x 350) fits.
class FullScreenE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showFullScreenCoversTheScreenUntilEsc();
    void maximisingTheMainWindowShowsFullScreen();

private:
    QString waitForFullScreen();
    QString fullScreenPanes() const;
    void verifyLaidOverTheScreen();
    void verifyLabelAndPanning();
    void showRepeatedly(int showings, const std::function<void()>& enter,
                        const std::function<void()>& firstTimeAlso = {});
    void escapeBackToTheMainWindow(const QString& fullScreen);

    QTemporaryDir folder_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

using coded::panes;
using coded::shows;

namespace {

const QRgb black = qRgb(0, 0, 0);
const QSize screen = e2e::screenSize;
// Frames at x = 8 and x = W/2, 40 from the top; their pictures start 1 pixel inside.
const QRect pictureArea1(9, 41, screen.width() / 2 - 2, screen.height() - 15 - 2);
const QRect pictureArea2(screen.width() / 2 + 1, 41, screen.width() / 2 - 2, screen.height() - 15 - 2);
// Pane 1's frame and the scroll bar at its right edge lie over the left of pane 2; read it right of them.
const QPoint pane2Probe(40, 5);

// The box around the label's green text, in the top 40 rows.
QRect greenText(const QImage& shot) {
    QRect box;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (qGreen(shot.pixel(x, y)) > 128 && qRed(shot.pixel(x, y)) < 64 && qBlue(shot.pixel(x, y)) < 64)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

void FullScreenE2e::initTestCase() {
    QVERIFY(folder_.isValid());
    // The program finds its pointer, skin and samples beside itself, wherever that is.
    QVERIFY(e2e::copyProgramTo(folder_.path()));
    const QDir copy(folder_.path());
    QVERIFY(coded::picture(1, QSize(700, 1100)).save(copy.filePath(QStringLiteral("Samples/sample1.bmp"))));
    QVERIFY(coded::picture(2, QSize(300, 350)).save(copy.filePath(QStringLiteral("Samples/sample2.bmp"))));
    session_ = std::make_unique<XSession>(screen);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void FullScreenE2e::init() {
    viewer_ = std::make_unique<Viewer>(*session_, folder_.filePath(QStringLiteral("kestrelle")));
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
    QCOMPARE(viewer_->loadSamplesAnsweringNo(), Viewer::samplesQuestion);
    const QString both = panes(shows(1, 0, 0), shows(2, 0, 0));
    QCOMPARE(settle([this] { return viewer_->panes(); }, both), both);
}

void FullScreenE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

// The full-screen window once it covers the screen and has the keyboard; its size settles a moment after
// it shows.
QString FullScreenE2e::waitForFullScreen() {
    const QString window = viewer_->waitForWindow(QStringLiteral("^Form2$"));
    if (window.isEmpty())
        return {};
    const QRect whole(QPoint(), screen);
    if (settle([&] { return session_->clientRect(window); }, whole) != whole ||
        !viewer_->waitUntilFocused(window))
        return {};
    return window;
}

QString FullScreenE2e::fullScreenPanes() const {
    const QImage shot = session_->screenshot();
    return panes(coded::read(shot, pictureArea1), coded::read(shot, pictureArea2, pane2Probe));
}

void FullScreenE2e::escapeBackToTheMainWindow(const QString& fullScreen) {
    session_->press({QStringLiteral("Escape")});
    QVERIFY(viewer_->waitUntilGone(fullScreen));
    QVERIFY(viewer_->waitUntilFocused(viewer_->mainWindow()));
    const QRect client = viewer_->readClientRect();
    QCOMPARE(client.size(), layout::clientSize);
    QCOMPARE(client.center(), QRect(QPoint(), screen).center());
    QVERIFY(!session_
                 ->run(QStringLiteral("xprop"),
                       {QStringLiteral("-id"), viewer_->mainWindow(), QStringLiteral("_NET_WM_STATE")})
                 .contains("MAXIMIZED"));
    const QString both = panes(shows(1, 0, 0), shows(2, 0, 0));
    QCOMPARE(settle([this] { return viewer_->panes(); }, both), both);
}

// Each showing lays both frames out over the whole screen: pane 1's picture reaches its frame's right edge
// at the middle of the screen and the bottom of the screen, pane 2's starts right of it, black elsewhere.
void FullScreenE2e::verifyLaidOverTheScreen() {
    const QString start = panes(shows(1, 0, 0), shows(2, 0, 0));
    QCOMPARE(settle([this] { return fullScreenPanes(); }, start), start);
    const QImage shot = session_->screenshot();
    const QImage picture1 = coded::picture(1, QSize(700, 1100));
    QCOMPARE(shot.pixel(pictureArea1.right(), 100), picture1.pixel(pictureArea1.width() - 1, 59));
    QCOMPARE(shot.pixel(pictureArea1.right() + 1, 100), black);
    QCOMPARE(shot.pixel(100, screen.height() - 1), picture1.pixel(100 - 9, screen.height() - 1 - 41));
    for (const QPoint& at : {QPoint(4, 4), QPoint(screen.width() - 4, 20), QPoint(4, screen.height() - 4)})
        QCOMPARE(shot.pixel(at), black);
}

// Shown again and again, the window is laid out afresh each time; the first showing also checks more.
void FullScreenE2e::showRepeatedly(int showings, const std::function<void()>& enter,
                                   const std::function<void()>& firstTimeAlso) {
    for (int showing = 1; showing <= showings && !QTest::currentTestFailed(); ++showing) {
        enter();
        const QString fullScreen = waitForFullScreen();
        QVERIFY2(!fullScreen.isEmpty(), "no borderless window covering the screen");
        QVERIFY(!session_->windows(QStringLiteral("^Kestrelle$")).contains(viewer_->mainWindow()));
        verifyLaidOverTheScreen();
        if (showing == 1 && firstTimeAlso && !QTest::currentTestFailed())
            firstTimeAlso();
        if (!QTest::currentTestFailed())
            escapeBackToTheMainWindow(fullScreen);
    }
}

void FullScreenE2e::showFullScreenCoversTheScreenUntilEsc() {
    showRepeatedly(
        3, [this] { viewer_->clickButton(QStringLiteral("Show Full Screen")); },
        [this] { verifyLabelAndPanning(); });
}

void FullScreenE2e::verifyLabelAndPanning() {
    const QRect label = greenText(session_->screenshot());
    QVERIFY2(label.left() >= 8 && label.left() <= 10 && label.top() >= 8 && label.top() <= 12 &&
                 label.bottom() < 8 + 15,
             qPrintable(QStringLiteral("green text at (%1,%2) to (%3,%4)")
                            .arg(label.left())
                            .arg(label.top())
                            .arg(label.right())
                            .arg(label.bottom())));
    // The green text is the label's.
    QRect labelPlace;
    for (const AccessibilityBus::Object& object : viewer_->objects(QStringLiteral("^Form2$")))
        if (object.role == QLatin1String("label") && object.name == QLatin1String("ESC To Exit"))
            labelPlace = object.extents;
    QVERIFY2(labelPlace.contains(label), "no label \"ESC To Exit\" around the green text");

    // Down past the end, then one step right to show all were handled: the frame is H - 15 high, so the
    // picture stops 1100 - 1009 = 91 pixels down; pane 2 has nothing to pan.
    QStringList keys(100, QStringLiteral("Down"));
    session_->press(keys << QStringLiteral("Right"));
    const QString down = panes(shows(1, 1, 91), shows(2, 0, 0));
    QCOMPARE(settle([this] { return fullScreenPanes(); }, down), down);
    keys = QStringList(70, QStringLiteral("Right"));
    session_->press(keys << QStringLiteral("Up"));
    const QString across = panes(shows(1, 60, 90), shows(2, 0, 0));
    QCOMPARE(settle([this] { return fullScreenPanes(); }, across), across);
}

void FullScreenE2e::maximisingTheMainWindowShowsFullScreen() {
    showRepeatedly(2, [this] {
        session_->run(QStringLiteral("wmctrl"),
                      {QStringLiteral("-i"), QStringLiteral("-r"), viewer_->mainWindow(),
                       QStringLiteral("-b"), QStringLiteral("add,maximized_vert,maximized_horz")});
    });
}

QTEST_GUILESS_MAIN(FullScreenE2e)
#include "full_screen_e2e.moc"
