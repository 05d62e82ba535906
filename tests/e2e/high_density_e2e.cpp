#include "support/ChildProcess.h"
#include "support/CodedPicture.h"
#include "support/E2e.h"
#include "support/Settle.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

// A scale factor forced as for a high-density screen: the window and its text grow, and the pictures are
// still shown pixel for pixel, panned in picture pixels. At twice the dots per inch, 7.5 twips make a pixel:
// pane 1's frame is 510 x 598 at (16, 69) and pane 2's 512 x 594 at (544, 69). Sample 1 (700 x 800) passes
// its frame by 190 pixels across (10-pixel steps), sample 2 (600 x 700) by 88 (1-pixel steps).
class HighDensityE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void forcedScaleShowsPicturesPixelForPixel();

private:
    QString readPanes() const;

    QTemporaryDir folder_;
    QString program_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<ChildProcess> viewer_;
    QPoint origin_;
};

void HighDensityE2e::initTestCase() {
    // A program folder of the test's own, whose samples are coded pictures.
    QVERIFY(folder_.isValid());
    program_ = folder_.filePath(QStringLiteral("kestrelle"));
    QVERIFY(QFile::copy(e2e::program(), program_));
    QVERIFY(QDir(folder_.path()).mkpath(QStringLiteral("Samples")));
    QVERIFY(coded::picture(1, QSize(700, 800)).save(folder_.filePath(QStringLiteral("Samples/sample1.bmp"))));
    QVERIFY(coded::picture(2, QSize(600, 700)).save(folder_.filePath(QStringLiteral("Samples/sample2.bmp"))));
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void HighDensityE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

QString HighDensityE2e::readPanes() const {
    const QImage screen = session_->screenshot();
    return coded::panes(coded::read(screen, QRect(17, 70, 508, 596).translated(origin_)),
                        coded::read(screen, QRect(545, 70, 510, 592).translated(origin_)));
}

void HighDensityE2e::forcedScaleShowsPicturesPixelForPixel() {
    QProcessEnvironment environment = session_->programEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    viewer_ = std::make_unique<ChildProcess>(program_, QStringList(), environment);
    QVERIFY(viewer_->started());

    QString window;
    const auto mainWindow = [&] {
        const QStringList windows = session_->windows(QStringLiteral("^Kestrelle$"));
        window = windows.size() == 1 ? windows.first() : QString();
        return window.isEmpty() ? QSize() : session_->clientRect(window).size();
    };
    QCOMPARE(settle(mainWindow, QSize(1072, 958)), QSize(1072, 958));
    QCOMPARE(settle([&] { return session_->focusedWindow(); }, window), window);
    origin_ = session_->clientRect(window).topLeft();

    // Load Sample/Example Files, at (16, 819) and 512 x 54; then No to the offer to open the folder.
    session_->click(origin_ + QPoint(272, 846));
    QString box;
    const auto question = [&] {
        QStringList windows = session_->windows(QStringLiteral("^Kestrelle$"));
        windows.removeAll(window);
        box = windows.value(0);
        return !box.isEmpty() && session_->focusedWindow() == box;
    };
    QVERIFY(settle(question, true));
    session_->press({QStringLiteral("n")});
    QCOMPARE(settle([&] { return session_->focusedWindow(); }, window), window);

    const QString atStart = coded::panes(coded::shows(1, 0, 0), coded::shows(2, 0, 0));
    QCOMPARE(settle([this] { return readPanes(); }, atStart), atStart);
    session_->press({QStringLiteral("Right")});
    const QString panned = coded::panes(coded::shows(1, 10, 0), coded::shows(2, 1, 0));
    QCOMPARE(settle([this] { return readPanes(); }, panned), panned);
}

QTEST_GUILESS_MAIN(HighDensityE2e)
#include "high_density_e2e.moc"
