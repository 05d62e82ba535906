#include "support/PaneRig.h"

#include "desktop/Failure.h"
#include "ui/KeyCodes.h"

#include <QtTest>

// The fit, the linking of the two panes and the arrow keys, on bare panes of 200 x 150 pixels.
class PaneTest : public QObject {
    Q_OBJECT

private slots:
    void fitSetsRangeAndStepFromTheExcess_data();
    void fitSetsRangeAndStepFromTheExcess();
    void fitOfTallPictureUsesTenPixelSteps();
    void pictureWithinTheOuterFrameFitsAndDisablesTheAxis();
    void smallerPictureAfterPanningSitsAtTheCornerAndKeepsOldBars();
    void fitResetsPartnerOnlyThroughARealChange();
    void arrowKeysStopAtZeroAndMax();
    void offsetsAreWholePixelsBeyondSixteenBits();
    void pictureBeyondTheBarsRangeIsRefusedClearly();
    void linkCopiesStepsWithinThePartnersRange();
    void partnerNeverFittedFollowsWithItsBarOnly();
    void nonArrowKeysAndShiftStates();
};

void PaneTest::fitSetsRangeAndStepFromTheExcess_data() {
    QTest::addColumn<int>("excess");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("unit");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("fits exactly") << 0 << 32767 << 0 << false;
    QTest::newRow("1 over") << 1 << 1 << 1 << true;
    QTest::newRow("100 over") << 100 << 100 << 1 << true;
    QTest::newRow("101 over, one pixel short at the end") << 101 << 10 << 10 << true;
    QTest::newRow("125 over, half to even down") << 125 << 12 << 10 << true;
    QTest::newRow("135 over, half to even up") << 135 << 14 << 10 << true;
    QTest::newRow("1000 over") << 1000 << 100 << 10 << true;
}

void PaneTest::fitSetsRangeAndStepFromTheExcess() {
    QFETCH(int, excess);
    QFETCH(int, max);
    QFETCH(int, unit);
    QFETCH(bool, enabled);
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 200 + excess, 100);
    QCOMPARE(rig.hbar1.max(), max);
    QCOMPARE(rig.pane1.HScrollUnit, unit);
    QCOMPARE(rig.hbar1.enabled(), enabled);
    QCOMPARE(rig.hbar1.value(), 0);
    QCOMPARE(rig.inner1.left(), 0.0f);
    QCOMPARE(rig.pane1.VScrollUnit, 0);
    QVERIFY(!rig.vbar1.enabled());
}

void PaneTest::fitOfTallPictureUsesTenPixelSteps() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 50, 1150);
    QCOMPARE(rig.vbar1.max(), 100);
    QCOMPARE(rig.pane1.VScrollUnit, 10);
    QVERIFY(rig.vbar1.enabled());
    QCOMPARE(rig.inner1.top(), 0.0f);
    // Panned to the end, the picture sits 1000 pixels up: its last rows meet the frame's bottom edge.
    rig.vbar1.setValue(100);
    QCOMPARE(rig.inner1.top(), -1000.0f);
}

void PaneTest::pictureWithinTheOuterFrameFitsAndDisablesTheAxis() {
    // Wider than the inside of the frame (198) but not than its outer width: it counts as fitting.
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 199, 150);
    QVERIFY(!rig.hbar1.enabled());
    QVERIFY(!rig.vbar1.enabled());
    QCOMPARE(rig.pane1.HScrollUnit, 0);
    QCOMPARE(rig.pane1.VScrollUnit, 0);
}

void PaneTest::smallerPictureAfterPanningSitsAtTheCornerAndKeepsOldBars() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 1200, 1150);
    rig.hbar1.setValue(7);
    rig.vbar1.setValue(9);
    rig.show(rig.pane1, 50, 40);
    QCOMPARE(rig.inner1.left(), 0.0f);
    QCOMPARE(rig.inner1.top(), 0.0f);
    QCOMPARE(rig.hbar1.value(), 7);
    QCOMPARE(rig.hbar1.max(), 100);
    // A later step on that axis moves the bar, never the picture.
    int16_t right = ui::key::Right;
    rig.handlers.Picture1_KeyDown(right, 0);
    QCOMPARE(rig.hbar1.value(), 8);
    QCOMPARE(rig.inner1.left(), 0.0f);
    // A larger picture again turns both bars back on.
    rig.show(rig.pane1, 300, 200);
    QVERIFY(rig.hbar1.enabled());
    QVERIFY(rig.vbar1.enabled());
}

void PaneTest::fitResetsPartnerOnlyThroughARealChange() {
    {
        PaneRig rig(200, 150);
        rig.show(rig.pane1, 400, 100);
        rig.show(rig.pane2, 400, 100);
        rig.hbar1.setValue(5);
        QCOMPARE(rig.hbar2.value(), 5);
        rig.show(rig.pane1, 400, 100);
        QCOMPARE(rig.hbar1.value(), 0);
        QCOMPARE(rig.hbar2.value(), 0);
        QCOMPARE(rig.inner2.left(), 0.0f);
    }
    {
        // Pane 1's range is too short to follow pane 2 to 5, so pane 1 stays at 0.
        PaneRig rig(200, 150);
        rig.show(rig.pane1, 203, 100);
        rig.show(rig.pane2, 400, 100);
        rig.hbar2.setValue(5);
        QCOMPARE(rig.hbar1.value(), 0);
        rig.show(rig.pane1, 400, 100);
        QCOMPARE(rig.hbar2.value(), 5);
        // A narrower picture leaves both bars alone.
        rig.hbar1.setValue(3);
        rig.show(rig.pane1, 100, 100);
        QCOMPARE(rig.hbar1.value(), 3);
        QCOMPARE(rig.hbar2.value(), 3);
    }
}

void PaneTest::arrowKeysStopAtZeroAndMax() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 203, 100);
    rig.show(rig.pane2, 203, 100);
    int16_t left = ui::key::Left;
    rig.handlers.Picture1_KeyDown(left, 0);
    QCOMPARE(rig.hbar1.value(), 0);
    int16_t right = ui::key::Right;
    for (int i = 0; i < 5; ++i)
        rig.handlers.Picture1_KeyDown(right, 0);
    QCOMPARE(rig.hbar1.value(), 3);
    QCOMPARE(rig.inner1.left(), -3.0f);
    QCOMPARE(rig.hbar2.value(), 3);
    QCOMPARE(rig.inner2.left(), -3.0f);
    QCOMPARE(right, ui::key::Right);
}

void PaneTest::offsetsAreWholePixelsBeyondSixteenBits() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 40000, 100);
    QCOMPARE(rig.hbar1.max(), 3980);
    rig.hbar1.setValue(3980);
    QCOMPARE(rig.inner1.left(), -39800.0f);
}

void PaneTest::pictureBeyondTheBarsRangeIsRefusedClearly() {
    PaneRig rig(200, 150);
    // The farthest the bars reach: 32767 steps of 10 pixels.
    QVERIFY_THROWS_NO_EXCEPTION(rig.show(rig.pane1, 200 + 327670, 1));
    QCOMPARE(rig.hbar1.max(), 32767);
    QCOMPARE(rig.pane1.HScrollUnit, 10);
    rig.inner1.setPicture(QImage(200 + 327671, 1, QImage::Format_RGB32));
    try {
        PaneFit(rig.pane1);
        QFAIL("a picture the bars cannot span was fitted");
    } catch (const desktop::Failure& failure) {
        QVERIFY(failure.description().startsWith(QStringLiteral("Picture too large to pan")));
    }
    QCOMPARE(rig.pane1.HScrollUnit, 0);
    QCOMPARE(rig.inner1.left(), 0.0f);
}

void PaneTest::linkCopiesStepsWithinThePartnersRange() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 1200, 100); // Max 100, 10-pixel steps
    rig.show(rig.pane2, 205, 100);  // Max 5, 1-pixel steps
    int16_t right = ui::key::Right;
    for (int i = 0; i < 7; ++i)
        rig.handlers.Form_KeyDown(right, 0);
    QCOMPARE(rig.hbar1.value(), 7);
    QCOMPARE(rig.inner1.left(), -70.0f);
    QCOMPARE(rig.hbar2.value(), 5);
    QCOMPARE(rig.inner2.left(), -5.0f);
    int16_t left = ui::key::Left;
    rig.handlers.Form_KeyDown(left, 0);
    QCOMPARE(rig.hbar2.value(), 5);
    rig.handlers.Form_KeyDown(left, 0);
    QCOMPARE(rig.hbar1.value(), 5);
    QCOMPARE(rig.hbar2.value(), 5);
    rig.handlers.Form_KeyDown(left, 0);
    QCOMPARE(rig.hbar2.value(), 4);
    QCOMPARE(rig.inner2.left(), -4.0f);
    // A key on pane 2's picture steps pane 2, and pane 1 follows by the same number of steps as far as
    // its own range goes.
    int16_t down = ui::key::Down;
    rig.show(rig.pane1, 100, 153); // Max 3, 1-pixel steps
    rig.show(rig.pane2, 100, 400); // Max 25, 10-pixel steps
    for (int i = 0; i < 5; ++i)
        rig.handlers.Picture4_KeyDown(down, 0);
    QCOMPARE(rig.vbar2.value(), 5);
    QCOMPARE(rig.inner2.top(), -50.0f);
    QCOMPARE(rig.vbar1.value(), 3);
    QCOMPARE(rig.inner1.top(), -3.0f);
}

void PaneTest::partnerNeverFittedFollowsWithItsBarOnly() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 1200, 100);
    QCOMPARE(rig.hbar2.max(), 32767);
    int16_t right = ui::key::Right;
    rig.handlers.Picture1_KeyDown(right, 0);
    rig.handlers.Picture1_KeyDown(right, 0);
    QCOMPARE(rig.hbar2.value(), 2);
    QCOMPARE(rig.inner2.left(), 0.0f);
}

void PaneTest::nonArrowKeysAndShiftStates() {
    PaneRig rig(200, 150);
    rig.show(rig.pane1, 300, 300);
    for (int16_t code : {int16_t(13), int16_t(27), int16_t(65), int16_t(33), int16_t(0)}) {
        rig.handlers.Form_KeyDown(code, 0);
        QCOMPARE(rig.hbar1.value(), 0);
        QCOMPARE(rig.vbar1.value(), 0);
    }
    int16_t right = ui::key::Right;
    rig.handlers.Form_KeyDown(right, ui::shift::Shift | ui::shift::Ctrl | ui::shift::Alt);
    QCOMPARE(rig.hbar1.value(), 1);
}

QTEST_MAIN(PaneTest)
#include "pane_test.moc"
