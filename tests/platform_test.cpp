#include "support/FakeDesktop.h"
#include "support/MainWindowRig.h"

#include "app/FirstFrameProbe.h"
#include "desktop/Application.h"
#include "desktop/Failure.h"
#include "desktop/QtDesktop.h"
#include "ui/Appearance.h"
#include "ui/ErrorGuard.h"
#include "ui/Form.h"
#include "ui/Int16.h"
#include "ui/PictureBox.h"
#include "ui/ScrollBar.h"

#include <QScrollBar>
#include <QtTest>

// The platform layer's own promises: 16-bit conversion, scroll bar changes, the error report's text.
class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void int16RoundsHalfToEvenAndOverflows();
    void scrollBarRaisesChangeOnlyOnARealChange();
    void scrollBarRefusesValuesOutsideItsRange();
    void userDragOnABarRaisesChange();
    void barLooksTheSameFromItsKeptDrawing();
    void reportTextHoldsExactlyTheListedCharacters();
    void guardReportsEachFailureAndGoesOn();
    void guardReportsFailuresOfCalledCodeWithTheCallersLine();
    void failureInAnEventHandlerLeavesTheProgramRunning_data();
    void failureInAnEventHandlerLeavesTheProgramRunning();
    void displayTextBreaksAtCrLfAndLoneCr();
    void dialogFilterBecomesTheToolkitsForm();
    void applicationIconDrawsEachSizeFromItsOwnFile();
    void firstFrameProbeEndsTheLoopOnlyWhenAsked();
};

void PlatformTest::int16RoundsHalfToEvenAndOverflows() {
    QCOMPARE(ui::toInt16(12.5), 12);
    QCOMPARE(ui::toInt16(13.5), 14);
    QCOMPARE(ui::toInt16(-2.5), -2);
    QCOMPARE(ui::toInt16(10.1), 10);
    QCOMPARE(ui::toInt16(32767.4), 32767);
    QCOMPARE(ui::toInt16(-32768.5), -32768);
    for (double bad : {32767.5, 32768.0, -32769.0, 1e9, std::nan("")}) {
        try {
            ui::toInt16(bad);
            QFAIL(qPrintable(QStringLiteral("%1 was converted").arg(bad)));
        } catch (const desktop::Failure& failure) {
            QCOMPARE(failure.description(), QStringLiteral("Overflow"));
        }
    }
}

void PlatformTest::scrollBarRaisesChangeOnlyOnARealChange() {
    ui::Form form(QStringLiteral("f"), 3000, 3000, ui::Form::BorderStyle::FixedSingle);
    ui::ScrollBar bar(form, QStringLiteral("bar"), ui::ScrollBar::Orientation::Horizontal);
    QCOMPARE(bar.min(), 0);
    QCOMPARE(bar.max(), 32767);
    QCOMPARE(bar.value(), 0);
    QList<int> seen;
    bar.onChange = [&] { seen << bar.value(); };
    bar.setValue(0);
    QVERIFY(seen.isEmpty());
    bar.setValue(40);
    bar.setValue(40);
    QCOMPARE(seen, QList<int>{40});
    // A lower Max clamps the value, which is a change.
    bar.setMax(10);
    QCOMPARE(bar.value(), 10);
    QCOMPARE(seen, (QList<int>{40, 10}));
    bar.setMax(20);
    QCOMPARE(seen.size(), 2);
}

void PlatformTest::scrollBarRefusesValuesOutsideItsRange() {
    ui::Form form(QStringLiteral("f"), 3000, 3000, ui::Form::BorderStyle::FixedSingle);
    ui::ScrollBar bar(form, QStringLiteral("bar"), ui::ScrollBar::Orientation::Vertical);
    bar.setMax(5);
    for (int bad : {-1, 6, 40000}) {
        try {
            bar.setValue(bad);
            QFAIL("an out-of-range value was taken");
        } catch (const desktop::Failure& failure) {
            QCOMPARE(failure.description(), QStringLiteral("Invalid property value"));
        }
    }
    QCOMPARE(bar.value(), 0);
}

void PlatformTest::userDragOnABarRaisesChange() {
    ui::Form form(QStringLiteral("f"), 3000, 3000, ui::Form::BorderStyle::FixedSingle);
    ui::ScrollBar bar(form, QStringLiteral("bar"), ui::ScrollBar::Orientation::Horizontal);
    bar.setMax(30);
    int changes = 0;
    bar.onChange = [&] { ++changes; };
    static_cast<QScrollBar*>(bar.widget())->setValue(12);
    QCOMPARE(bar.value(), 12);
    QCOMPARE(changes, 1);
}

void PlatformTest::barLooksTheSameFromItsKeptDrawing() {
    ui::Form form(QStringLiteral("f"), 1500, 4500, ui::Form::BorderStyle::FixedSingle);
    form.setScaleMode(ui::Form::Pixels);
    ui::ScrollBar bar(form, QStringLiteral("bar"), ui::ScrollBar::Orientation::Vertical);
    bar.move(0, 0, 17, 280);
    bar.setMax(100);
    QScrollBar plain(Qt::Vertical, form.window());
    plain.setGeometry(40, 0, 17, 280);
    plain.setRange(0, 100);
    plain.setPageStep(1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(form.window()));
    for (int value : {40, 90}) {
        bar.setValue(value);
        plain.setValue(value);
        // First drawn by the style, then again from the copy the bar kept.
        for (int pass = 0; pass < 2; ++pass) {
            QCoreApplication::processEvents();
            bar.widget()->repaint();
            plain.repaint();
            const QImage shown = form.window()->screen()->grabWindow(form.window()->winId()).toImage();
            QCOMPARE(shown.copy(bar.widget()->geometry()), shown.copy(plain.geometry()));
        }
    }
}

void PlatformTest::reportTextHoldsExactlyTheListedCharacters() {
    const QString where = QStringLiteral("in Brackwater2021/08/31.Form1.Form_Load ");
    QCOMPARE(ui::ErrorGuard::reportText(QStringLiteral("Overflow"), where, 104),
             MainWindowRig::report("Overflow", "Form_Load", 104));
    QVERIFY(
        ui::ErrorGuard::reportText(QString(), where, 100).startsWith(QStringLiteral("\r\nin Brackwater")));
}

void PlatformTest::guardReportsEachFailureAndGoesOn() {
    FakeDesktop desktop;
    ui::ErrorGuard guard(desktop, QStringLiteral("in Brackwater2021/08/31.Form1.PushButton3_Click "));
    QList<int> ran;
    QVERIFY(!guard.step(100, [&] { throw desktop::Failure(QStringLiteral("File not found")); }));
    QVERIFY(guard.step(102, [&] { ran << 102; }));
    QVERIFY(!guard.step(104, [&] { throw std::bad_alloc(); }));
    guard.step(106, [&] { ran << 106; });
    QCOMPARE(ran, (QList<int>{102, 106}));
    QCOMPARE(desktop.messages.size(), 2);
    QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("File not found\r\n")));
    QVERIFY(desktop.messages[0].text.contains(QStringLiteral("PushButton3_Click at line 100\r\r")));
    QVERIFY(desktop.messages[1].text.startsWith(QStringLiteral("Out of memory\r\n")));
    QVERIFY(desktop.messages[1].text.contains(QStringLiteral("at line 104\r\r")));
    for (const auto& m : desktop.messages) {
        QCOMPARE(m.title, QStringLiteral("Application Error"));
        QCOMPARE(m.buttons, desktop::MsgButtons::OkOnly);
        QCOMPARE(m.icon, desktop::MsgIcon::Exclamation);
    }
}

void PlatformTest::guardReportsFailuresOfCalledCodeWithTheCallersLine() {
    FakeDesktop desktop;
    ui::ErrorGuard guard(desktop, QStringLiteral("in X "));
    bool restOfCalleeRan = false;
    auto callee = [&] {
        ui::toInt16(1e6);
        restOfCalleeRan = true;
    };
    guard.step(100, [&] { callee(); });
    QVERIFY(!restOfCalleeRan);
    QCOMPARE(desktop.messages.size(), 1);
    QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("Overflow\r\nin X at line 100\r")));
}

void PlatformTest::failureInAnEventHandlerLeavesTheProgramRunning_data() {
    QTest::addColumn<bool>("memoryRunsOut");
    QTest::addColumn<QString>("description");
    QTest::newRow("failure") << false << "Overflow";
    QTest::newRow("memory runs out") << true << "Out of memory";
}

void PlatformTest::failureInAnEventHandlerLeavesTheProgramRunning() {
    QFETCH(bool, memoryRunsOut);
    QFETCH(QString, description);
    ui::Form form(QStringLiteral("f"), 3000, 3000, ui::Form::BorderStyle::FixedSingle);
    ui::PictureBox box(form, QStringLiteral("box"), {});
    ui::ScrollBar bar(form, QStringLiteral("bar"), ui::ScrollBar::Orientation::Vertical);
    int calls = 0;
    const auto fail = [&] {
        ++calls;
        if (memoryRunsOut)
            throw std::bad_alloc();
        throw desktop::Failure(QStringLiteral("Overflow"));
    };
    box.onKeyDown = [&](int16_t&, int) { fail(); };
    bar.onChange = fail;
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("Kestrelle: %1 in key down").arg(description)));
    QTest::keyClick(box.widget(), Qt::Key_Down);
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("Kestrelle: %1 in scroll").arg(description)));
    static_cast<QScrollBar*>(bar.widget())->setValue(3);
    QCOMPARE(calls, 2);
    // Called from code, the same failure reaches the caller, whose guard reports it.
    QVERIFY_THROWS_EXCEPTION(std::exception, bar.setValue(4));
}

void PlatformTest::displayTextBreaksAtCrLfAndLoneCr() {
    QCOMPARE(desktop::QtDesktop::displayText(QStringLiteral("a\r\nb\r\rc")), QStringLiteral("a\nb\n\nc"));
}

void PlatformTest::dialogFilterBecomesTheToolkitsForm() {
    QCOMPARE(desktop::QtDesktop::toolkitFilter(
                 QStringLiteral("Image Files (*.jpg;*.jpeg;*.bmp;*.gif)|*.jpg;*.jpeg;*.bmp;*.gif")),
             QStringLiteral("Image Files (*.jpg *.JPG *.jpeg *.JPEG *.bmp *.BMP *.gif *.GIF)"));
}

void PlatformTest::applicationIconDrawsEachSizeFromItsOwnFile() {
    const QIcon icon = ui::applicationIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{32, 32}, {48, 48}, {128, 128}, {256, 256}}));
    const QImage file48(QStringLiteral(":/kestrelle/icon/kestrelle-48.png"));
    QVERIFY(!file48.isNull());
    QCOMPARE(icon.pixmap(48).toImage().convertToFormat(file48.format()), file48);
    // Between sizes, the next larger file is scaled down; past the largest, nothing is scaled up.
    QCOMPARE(icon.pixmap(64).size(), QSize(64, 64));
    QCOMPARE(icon.actualSize(QSize(64, 64)), QSize(64, 64));
    QCOMPARE(icon.pixmap(512).size(), QSize(256, 256));
    QCOMPARE(icon.actualSize(QSize(512, 512)), QSize(256, 256));
    QCOMPARE(icon.pixmap(16).size(), QSize(16, 16));
}

void PlatformTest::firstFrameProbeEndsTheLoopOnlyWhenAsked() {
    QWidget unwatched;
    FirstFrameProbe::watchIfAsked(&unwatched);
    QVERIFY(unwatched.findChildren<FirstFrameProbe*>().isEmpty());

    qputenv("KESTRELLE_EXIT_AFTER_FIRST_FRAME", "1");
    QWidget watched;
    FirstFrameProbe::watchIfAsked(&watched);
    qunsetenv("KESTRELLE_EXIT_AFTER_FIRST_FRAME");
    watched.resize(100, 100);
    watched.show();
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
}

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
