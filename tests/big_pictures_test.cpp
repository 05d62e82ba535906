#include "support/MainWindowRig.h"
#include "support/PatchedBytes.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"

#include "ui/KeyCodes.h"

#include <QtTest>

// Pictures far larger than the screen, end to end: opened through the dialog into both panes, panned to
// the end the fit allows in the main window and in full screen, and handed over without a copy.
class BigPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void pansToTheEndInBothWindows_data();
    void pansToTheEndInBothWindows();
    void pictureOverTheMemoryLimitIsRefusedAtOnce();
};

namespace {

struct Reach {
    int hMax;
    int vMax;
};

// Opens the same file into both panes, the way the user would.
void openIntoBoth(MainWindowRig& rig, const QString& path) {
    rig.desktop.fileAnswers = {path, path};
    rig.form->PushButton3_Click();
    rig.form->PushButton4_Click();
}

// Steps both linked panes to their bars' ends and checks where each picture then sits.
void panToTheEnd(ImagePane& pane1, ImagePane& pane2, Reach reach1, Reach reach2) {
    QCOMPARE(pane1.HScrollUnit, 10);
    QCOMPARE(pane1.VScrollUnit, 10);
    QCOMPARE(pane1.HBar.max(), reach1.hMax);
    QCOMPARE(pane1.VBar.max(), reach1.vMax);
    QCOMPARE(pane2.HBar.max(), reach2.hMax);
    QCOMPARE(pane2.VBar.max(), reach2.vMax);
    pane1.HBar.setValue(reach1.hMax);
    pane1.VBar.setValue(reach1.vMax);
    // An arrow key at the end changes nothing.
    int16_t right = ui::key::Right;
    PaneArrowKey(pane1, right, 0);
    QCOMPARE(pane1.HBar.value(), reach1.hMax);
    QCOMPARE(pane1.Inner.widget()->pos(), QPoint(-10 * reach1.hMax, -10 * reach1.vMax));
    // The partner follows as far as its own range goes.
    const QPoint partner(-10 * qMin(reach1.hMax, reach2.hMax), -10 * qMin(reach1.vMax, reach2.vMax));
    QCOMPARE(pane2.Inner.widget()->pos(), partner);
}

} // namespace

void BigPicturesTest::pansToTheEndInBothWindows_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Reach>("main1");
    QTest::addColumn<Reach>("main2");
    QTest::addColumn<Reach>("full");
    // Frames of 255 x 299 and 256 x 297 in the main window, 400 x 785 in full screen on the test
    // platform's 800 x 800 screen; Max is the excess in 10-pixel steps, rounded half to even.
    QTest::newRow("photo 12000 x 8000")
        << QSize(12000, 8000) << Reach{1174, 770} << Reach{1174, 770} << Reach{1160, 722};
    QTest::newRow("panorama 40000 x 2000")
        << QSize(40000, 2000) << Reach{3974, 170} << Reach{3974, 170} << Reach{3960, 122};
}

void BigPicturesTest::pansToTheEndInBothWindows() {
    QFETCH(QSize, size);
    QFETCH(Reach, main1);
    QFETCH(Reach, main2);
    QFETCH(Reach, full);
    MainWindowRig rig;
    const QString path = pictures::save(pictures::coordinates(size.width(), size.height()), rig.folder.path(),
                                        QStringLiteral("big.jpg"));
    openIntoBoth(rig, path);
    Form1& f = *rig.form;
    QCOMPARE(rig.desktop.messageTexts(), QStringList());
    QCOMPARE(f.Picture1.widget()->size(), size);
    QCOMPARE(f.Picture4.widget()->size(), size);
    panToTheEnd(f.pane1, f.pane2, main1, main2);

    const qint64 pictureBytes = 4 * qint64(size.width()) * size.height();
    const qint64 before = processMemory::resident();
    f.PushButton1_Click();
    Form2& screen = f.form2();
    QTRY_COMPARE(screen.Picture2.widget()->width(), screen.window()->screen()->geometry().width() / 2);
    QCOMPARE(screen.Picture2.widget()->size(), QSize(400, 785));
    // Both windows show the same pixels: a copy would have a buffer of its own and take its size again.
    QCOMPARE(screen.Picture1.image().constBits(), f.Picture1.image().constBits());
    QCOMPARE(screen.Picture4.image().constBits(), f.Picture4.image().constBits());
    QCOMPARE_LT(processMemory::resident() - before, pictureBytes / 4);
    panToTheEnd(screen.pane1, screen.pane2, full, full);
    QVERIFY(rig.desktop.messages.isEmpty());
}

void BigPicturesTest::pictureOverTheMemoryLimitIsRefusedAtOnce() {
    // A 200-byte JPEG whose header claims 30000 x 20000 pixels: 2.4 GB decoded, past any machine's limit.
    MainWindowRig rig;
    const QByteArray jpeg = pictures::encoded(pictures::coordinates(64, 64), "jpeg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QVERIFY(frame > 0);
    const QByteArray huge = patchedBigEndian(patchedBigEndian(jpeg, frame + 5, 20000), frame + 7, 30000);
    rig.desktop.fileAnswers = {
        pictures::write(huge.left(200), rig.folder.path(), QStringLiteral("huge.jpg"))};
    // Refused from the header: no pixel is decoded.
    const PeakMemoryWatch memory;
    rig.form->PushButton3_Click();
    QCOMPARE_LT(memory.growth(), 16 * 1024 * 1024);
    const QStringList texts = rig.desktop.messageTexts();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts[0],
             MainWindowRig::report("Picture too large: 30000 x 20000 pixels", "PushButton3_Click", 112));
    QCOMPARE(rig.form->Picture1.pictureHandle(), 0);
}

QTEST_MAIN(BigPicturesTest)
#include "big_pictures_test.moc"
