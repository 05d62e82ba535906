#include "support/FakeDesktop.h"
#include "support/MainWindowRig.h"
#include "support/PaintCounter.h"
#include "support/Pictures.h"

#include "fullscreen/Form2.h"

#include <QtTest>

// The full-screen window: its layout rule, the fit after it, its keys and the way back.
class FullScreenTest : public QObject {
    Q_OBJECT

private slots:
    void layoutFollowsTheScreen_data();
    void layoutFollowsTheScreen();
    void shorterScreenThanTheLabelClampsAtZero();
    void resizeFitsBothPanesAfresh();
    void keysRunPaneOneFirstThenTheFocusedPicture();
    void escFromAnyControlBringsTheMainWindowBack();
    void everyOpeningStartsFromScratch();
    void closedByTheWindowManagerBringsTheMainWindowBack();
    void panStepRepaintsWithinTheFramesAndShowsTheRightPixels();
};

namespace {

struct Standalone {
    FakeDesktop desktop;
    int broughtBack = 0;
    Form2 form{desktop, [this] { ++broughtBack; }};
    Standalone() { form.load(); }
    void layOut(int width, int height) {
        form.window()->resize(width, height);
        form.Form_Resize();
    }
};

QRect geometry(const ui::Control& c) {
    return c.widget()->geometry();
}

} // namespace

void FullScreenTest::layoutFollowsTheScreen_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("frameWidth");
    QTest::newRow("1920 x 1080") << 1920 << 1080 << 960;
    QTest::newRow("odd width 1921 rounds half to even") << 1921 << 1080 << 960;
    QTest::newRow("odd width 1023") << 1023 << 768 << 512;
    QTest::newRow("800 x 600") << 800 << 600 << 400;
}

void FullScreenTest::layoutFollowsTheScreen() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, frameWidth);
    Standalone s;
    s.layOut(width, height);
    Form2& f = s.form;
    const int frameHeight = height - 15;
    QCOMPARE(geometry(f.Label1).topLeft(), QPoint(8, 8));
    QCOMPARE(f.Label1.height(), 15.0f);
    QVERIFY(f.Label1.width() >= 64);
    QCOMPARE(geometry(f.Picture2), QRect(8, 40, frameWidth, frameHeight));
    // Pane 2 follows pane 1's actual width.
    QCOMPARE(geometry(f.Picture3), QRect(frameWidth, 40, frameWidth, frameHeight));
    QCOMPARE(geometry(f.VScroll1), QRect(8 + frameWidth, 40, 17, frameHeight));
    QCOMPARE(geometry(f.VScroll2), QRect(2 * frameWidth, 40, 17, frameHeight));
    QCOMPARE(geometry(f.HScroll1), QRect(8, 40 + frameHeight, frameWidth, 17));
    QCOMPARE(geometry(f.HScroll2), QRect(frameWidth, 40 + frameHeight, frameWidth, 17));
}

void FullScreenTest::shorterScreenThanTheLabelClampsAtZero() {
    Standalone s;
    s.layOut(300, 10);
    QCOMPARE(s.form.Picture2.height(), 0.0f);
    QCOMPARE(s.form.VScroll1.height(), 0.0f);
}

void FullScreenTest::resizeFitsBothPanesAfresh() {
    Standalone s;
    Form2& f = s.form;
    f.Picture1.setPicture(pictures::coordinates(2000, 1100));
    f.Picture4.setPicture(pictures::coordinates(500, 1000));
    s.layOut(1920, 1080);
    QCOMPARE(f.HScroll1.max(), 104);
    QCOMPARE(f.pane1.HScrollUnit, 10);
    QCOMPARE(f.VScroll1.max(), 35);
    QCOMPARE(f.pane1.VScrollUnit, 1);
    QCOMPARE(f.pane2.HScrollUnit, 0);
    QCOMPARE(f.pane2.VScrollUnit, 0);
    f.VScroll1.setValue(7);
    s.layOut(1600, 900);
    QCOMPARE(f.VScroll1.value(), 0);
    QCOMPARE(f.Picture1.widget()->pos(), QPoint(0, 0));
    QCOMPARE(f.VScroll1.max(), 22);
}

void FullScreenTest::keysRunPaneOneFirstThenTheFocusedPicture() {
    Standalone s;
    Form2& f = s.form;
    f.Picture1.setPicture(pictures::coordinates(3000, 3000));
    f.Picture4.setPicture(pictures::coordinates(3000, 3000));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window()));
    // Shown, the window covers the screen and lays itself out.
    QTRY_COMPARE(f.Picture2.width(), float(f.window()->screen()->geometry().width() / 2));
    QCOMPARE(f.pane1.HScrollUnit, 10);
    auto press = [&](Qt::Key key) { QTest::keyClick(f.window()->focusWidget(), key); };
    QCOMPARE(f.window()->focusWidget(), f.Picture2.widget());
    press(Qt::Key_Right);
    QCOMPARE(f.HScroll1.value(), 1);
    QCOMPARE(f.HScroll2.value(), 1);
    f.setFocusTo(f.Picture1.widget());
    press(Qt::Key_Right);
    QCOMPARE(f.HScroll1.value(), 3);
    QCOMPARE(f.HScroll2.value(), 3);
    f.setFocusTo(f.Picture4.widget());
    press(Qt::Key_Down);
    QCOMPARE(f.VScroll1.value(), 2);
    QCOMPARE(f.VScroll2.value(), 2);
    QCOMPARE(f.Picture4.widget()->pos(), QPoint(-30, -20));
    press(Qt::Key_X);
    QCOMPARE(f.HScroll1.value(), 3);
    QCOMPARE(s.broughtBack, 0);
}

void FullScreenTest::escFromAnyControlBringsTheMainWindowBack() {
    for (int which = 0; which < 3; ++which) {
        MainWindowRig rig;
        rig.open(1, pictures::coordinates(900, 900), QStringLiteral("a.png"));
        rig.open(2, pictures::coordinates(700, 700), QStringLiteral("b.png"));
        Form1& f = *rig.form;
        f.PushButton1_Click();
        Form2& full = f.form2();
        QWidget* target[] = {full.Picture2.widget(), full.Picture1.widget(), full.Picture4.widget()};
        full.setFocusTo(target[which]);
        QTest::keyClick(target[which], Qt::Key_Escape);
        QVERIFY(f.isVisible());
        QCOMPARE(f.windowState(), ui::Form::WindowState::Normal);
        QVERIFY(!f.form2Loaded());
        QVERIFY(f.Picture1.pictureHandle() != 0 && f.Picture4.pictureHandle() != 0);
    }
}

void FullScreenTest::everyOpeningStartsFromScratch() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(3000, 3000), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(3000, 3000), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    f.PushButton1_Click();
    QTRY_VERIFY(f.form2().pane1.HScrollUnit != 0);
    f.form2().HScroll1.setValue(9);
    QTest::keyClick(f.form2().window()->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(f.isVisible());
    f.PushButton1_Click();
    Form2& again = f.form2();
    QCOMPARE(again.HScroll1.value(), 0);
    QTRY_VERIFY(again.pane1.HScrollUnit != 0);
    QCOMPARE(again.Picture1.widget()->pos(), QPoint(0, 0));
    QCOMPARE(again.scaleMode(), int(ui::Form::Pixels));
    QVERIFY(rig.desktop.messages.isEmpty());
}

void FullScreenTest::closedByTheWindowManagerBringsTheMainWindowBack() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(300, 300), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(300, 300), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    f.PushButton1_Click();
    f.form2().window()->close();
    QVERIFY(f.isVisible());
    QVERIFY(!f.form2Loaded());
}

void FullScreenTest::panStepRepaintsWithinTheFramesAndShowsTheRightPixels() {
    Standalone s;
    Form2& f = s.form;
    const QImage picture = pictures::coordinates(3000, 3000);
    f.Picture1.setPicture(picture);
    f.Picture4.setPicture(picture);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window()));
    QTRY_COMPARE(f.Picture2.width(), float(f.window()->screen()->geometry().width() / 2));
    QCoreApplication::sendPostedEvents(f.window(), QEvent::UpdateRequest);

    PaintCounter counter({f.Picture1.widget(), f.Picture4.widget()});
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down}) {
        counter.reset();
        QTest::keyClick(f.window()->focusWidget(), key);
        QCoreApplication::sendPostedEvents(f.window(), QEvent::UpdateRequest);
        const QSize frame = f.Picture2.widget()->size();
        // Pane 1 slides what is on screen and paints the strip it uncovers. Pane 2 lies partly under pane
        // 1's frame and bar, so it repaints what shows of it, never more than its frame.
        const qint64 frameArea = qint64(frame.width()) * frame.height();
        QVERIFY(counter.painted(0) > 0);
        QCOMPARE_LE(counter.painted(0), frameArea / 10);
        QVERIFY(counter.painted(1) > 0);
        QCOMPARE_LE(counter.painted(1), frameArea);
    }
    QCOMPARE(f.Picture1.widget()->pos(), QPoint(-10, -10));
    QCOMPARE(f.Picture4.widget()->pos(), QPoint(-10, -10));

    // What reached the screen is each picture at its new offset, in the slid part and in the strip the
    // step across uncovered (the frames run past the screen's bottom edge).
    const QImage shown = f.window()->screen()->grabWindow(f.window()->winId()).toImage();
    for (const ui::PictureBox* inner : {&f.Picture1, &f.Picture4}) {
        const QWidget* frameSurface = inner->widget()->parentWidget();
        const QPoint origin = inner->widget()->mapTo(f.window(), QPoint());
        for (QPoint at : {QPoint(100, 100), QPoint(frameSurface->width() - 3, 100)}) {
            const QPoint onScreen = frameSurface->mapTo(f.window(), at);
            QCOMPARE(shown.pixel(onScreen), picture.pixel(onScreen - origin));
        }
    }
}

QTEST_MAIN(FullScreenTest)
#include "full_screen_test.moc"
