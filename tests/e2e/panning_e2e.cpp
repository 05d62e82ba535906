#include "support/CodedPicture.h"
#include "support/DamagedPictures.h"
#include "support/E2e.h"
#include "support/MainWindowRig.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QBuffer>
#include <QtTest>

#include <memory>

// Opening pictures through the file dialog, panning them together with the arrow keys, clearing them, and
// a damaged file. Picture 1 (600 x 654) passes pane 1's 255 x 299 frame by 345 x 355 pixels: 10-pixel steps,
// at most 34 across (34.5 rounds to even) and 36 down (35.5 rounds to even). Picture 2 (300 x 350) passes
// pane 2's 256 x 297 frame by 44 x 53 pixels: 1-pixel steps, at most 44 and 53.
class PanningE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openingThroughTheDialogFillsItsPaneAndCancelChangesNothing();
    void oneArrowIsOneStepFromTheTextBoxAndTwoFromAPicture();
    void panningStopsExactlyAtBothEnds();
    void clearingEmptiesItsPaneOnly();
    void aDamagedFileIsReportedAndTheProgramGoesOn();

private:
    QString panesAfter(const QStringList& keys, const QString& expected);
    void openBothFromTheKeyboard();

    QTemporaryDir folder_;
    QString picture1_;
    QString picture2_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

using coded::panes;
using coded::shows;

namespace {

const QString empty = QStringLiteral("empty");

} // namespace

void PanningE2e::initTestCase() {
    QVERIFY(folder_.isValid());
    picture1_ = folder_.filePath(QStringLiteral("first.bmp"));
    picture2_ = folder_.filePath(QStringLiteral("second.bmp"));
    QVERIFY(coded::picture(1, QSize(600, 654)).save(picture1_));
    QVERIFY(coded::picture(2, QSize(300, 350)).save(picture2_));
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void PanningE2e::init() {
    viewer_ = std::make_unique<Viewer>(*session_, e2e::program());
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
}

void PanningE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

QString PanningE2e::panesAfter(const QStringList& keys, const QString& expected) {
    session_->press(keys);
    return settle([this] { return viewer_->panes(); }, expected);
}

// Tab from the text box that has the focus at start reaches Open File 1, and Space presses it; Shift+Tab
// twice from Open File 2 gives the focus back to the text box.
void PanningE2e::openBothFromTheKeyboard() {
    session_->press({QStringLiteral("Tab"), QStringLiteral("space")});
    QVERIFY(viewer_->chooseInFileDialog(picture1_));
    session_->press({QStringLiteral("Tab"), QStringLiteral("space")});
    QVERIFY(viewer_->chooseInFileDialog(picture2_));
    QCOMPARE(panesAfter({QStringLiteral("shift+Tab"), QStringLiteral("shift+Tab")},
                        panes(shows(1, 0, 0), shows(2, 0, 0))),
             panes(shows(1, 0, 0), shows(2, 0, 0)));
}

void PanningE2e::openingThroughTheDialogFillsItsPaneAndCancelChangesNothing() {
    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(picture1_));
    QCOMPARE(panesAfter({}, panes(shows(1, 0, 0), empty)), panes(shows(1, 0, 0), empty));

    viewer_->clickButton(QStringLiteral("Open File 2"));
    QVERIFY(viewer_->cancelFileDialog());
    // A key after the cancel shows the program has handled it: pane 1 still pans, pane 2 is still empty.
    QCOMPARE(panesAfter({QStringLiteral("Right")}, panes(shows(1, 10, 0), empty)),
             panes(shows(1, 10, 0), empty));

    // Pane 2's bars followed pane 1 while it was empty; fitting the new picture sets them back to the
    // start, and pane 1 follows in turn.
    viewer_->clickButton(QStringLiteral("Open File 2"));
    QVERIFY(viewer_->chooseInFileDialog(picture2_));
    QCOMPARE(panesAfter({}, panes(shows(1, 0, 0), shows(2, 0, 0))), panes(shows(1, 0, 0), shows(2, 0, 0)));
}

// Pane 2's bars take pane 1's step count, not its pixels; a press on a picture moves its own pane after
// the window's preview moved pane 1, and each move carries over to the other pane.
void PanningE2e::oneArrowIsOneStepFromTheTextBoxAndTwoFromAPicture() {
    openBothFromTheKeyboard();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(panesAfter({QStringLiteral("Right")}, panes(shows(1, 10, 0), shows(2, 1, 0))),
             panes(shows(1, 10, 0), shows(2, 1, 0)));
    QCOMPARE(panesAfter({QStringLiteral("Down")}, panes(shows(1, 10, 10), shows(2, 1, 1))),
             panes(shows(1, 10, 10), shows(2, 1, 1)));

    viewer_->clickPicture(1);
    QCOMPARE(panesAfter({QStringLiteral("Right")}, panes(shows(1, 30, 10), shows(2, 3, 1))),
             panes(shows(1, 30, 10), shows(2, 3, 1)));

    viewer_->clickPicture(2);
    QCOMPARE(panesAfter({QStringLiteral("Down")}, panes(shows(1, 30, 30), shows(2, 3, 3))),
             panes(shows(1, 30, 30), shows(2, 3, 3)));
    QCOMPARE(panesAfter({QStringLiteral("Left")}, panes(shows(1, 10, 30), shows(2, 1, 3))),
             panes(shows(1, 10, 30), shows(2, 1, 3)));
}

// Each run of presses goes past the end; one press along the other axis then shows that all of them were
// handled, so the reading cannot be caught on the way.
void PanningE2e::panningStopsExactlyAtBothEnds() {
    openBothFromTheKeyboard();
    if (QTest::currentTestFailed())
        return;
    const auto times = [](const QString& key, int count) { return QStringList(count, key); };

    // From the text box pane 1 stops at 34 steps; pane 2 takes the same 34.
    QCOMPARE(panesAfter(times(QStringLiteral("Right"), 40) << QStringLiteral("Down"),
                        panes(shows(1, 340, 10), shows(2, 34, 1))),
             panes(shows(1, 340, 10), shows(2, 34, 1)));

    // From picture 2 its own pane goes on to 44 while pane 1 stays at 34.
    viewer_->clickPicture(2);
    QCOMPARE(panesAfter(times(QStringLiteral("Right"), 20) << QStringLiteral("Down"),
                        panes(shows(1, 340, 30), shows(2, 44, 3))),
             panes(shows(1, 340, 30), shows(2, 44, 3)));
    QCOMPARE(panesAfter(times(QStringLiteral("Down"), 70) << QStringLiteral("Left"),
                        panes(shows(1, 320, 360), shows(2, 32, 53))),
             panes(shows(1, 320, 360), shows(2, 32, 53)));

    QStringList back = times(QStringLiteral("Left"), 40) + times(QStringLiteral("Up"), 70);
    QCOMPARE(panesAfter(back << QStringLiteral("Right"), panes(shows(1, 20, 0), shows(2, 2, 0))),
             panes(shows(1, 20, 0), shows(2, 2, 0)));
}

void PanningE2e::clearingEmptiesItsPaneOnly() {
    openBothFromTheKeyboard();
    if (QTest::currentTestFailed())
        return;
    viewer_->clickButton(QStringLiteral("Clear File 1"));
    QCOMPARE(panesAfter({}, panes(empty, shows(2, 0, 0))), panes(empty, shows(2, 0, 0)));
    viewer_->clickButton(QStringLiteral("Clear File 2"));
    QCOMPARE(panesAfter({}, panes(empty, empty)), panes(empty, empty));

    viewer_->clickButton(QStringLiteral("Show Full Screen"));
    const QString please = QStringLiteral("Please load images first.");
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Kestrelle$"), please, QStringLiteral("Return")), please);
}

void PanningE2e::aDamagedFileIsReportedAndTheProgramGoesOn() {
    const QString notAPicture = folder_.filePath(QStringLiteral("notes.bmp"));
    QFile notes(notAPicture);
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("These are notes, not a picture.\n") > 0);
    notes.close();
    const QString cutShort = folder_.filePath(QStringLiteral("cut.bmp"));
    QVERIFY(QFile::copy(picture2_, cutShort));
    QVERIFY(QFile::resize(cutShort, QFileInfo(cutShort).size() / 2));

    // The report as the box shows it, each of the program's line breaks kept.
    const auto report = [](const char* procedure, const char* description = "Invalid picture") {
        return MainWindowRig::report(QLatin1String(description), QLatin1String(procedure), 112)
            .replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(u'\r', u'\n');
    };
    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(notAPicture));
    const QString unsupported = report("PushButton3_Click", "Unsupported picture format");
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Application Error$"), unsupported, QStringLiteral("Return")),
             unsupported);

    viewer_->clickButton(QStringLiteral("Open File 2"));
    QVERIFY(viewer_->chooseInFileDialog(cutShort));
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Application Error$"), report("PushButton4_Click"),
                                QStringLiteral("Return")),
             report("PushButton4_Click"));
    QCOMPARE(panesAfter({}, panes(empty, empty)), panes(empty, empty));

    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(picture1_));
    QCOMPARE(panesAfter({}, panes(shows(1, 0, 0), empty)), panes(shows(1, 0, 0), empty));

    // Damage inside a JPEG's compressed data, its outline sound, is refused too, and the pane keeps its
    // picture.
    const QString zeroed = folder_.filePath(QStringLiteral("zeroed.jpg"));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QVERIFY(buffer.open(QIODevice::WriteOnly) &&
            coded::picture(2, QSize(300, 350)).save(&buffer, "JPEG", 90));
    QFile damagedJpeg(zeroed);
    QVERIFY(damagedJpeg.open(QIODevice::WriteOnly) &&
            damagedJpeg.write(damaged::jpegWithZeroedScanThird(jpeg)) > 0);
    damagedJpeg.close();
    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(zeroed));
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Application Error$"), report("PushButton3_Click"),
                                QStringLiteral("Return")),
             report("PushButton3_Click"));
    QCOMPARE(panesAfter({}, panes(shows(1, 0, 0), empty)), panes(shows(1, 0, 0), empty));
}

QTEST_GUILESS_MAIN(PanningE2e)
#include "panning_e2e.moc"
