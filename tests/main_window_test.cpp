#include "support/BmpFile.h"
#include "support/DamagedPictures.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"

#include "desktop/Application.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

// The main window as a person meets it: start-up, its design, the pointer and the maximise switch.
class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsDressedOnlyWithSkinAndPointer_data();
    void startsDressedOnlyWithSkinAndPointer();
    void damagedSkinAndPointerAreReportedAndStartUpGoesOn_data();
    void damagedSkinAndPointerAreReportedAndStartUpGoesOn();
    void opensCentredAtItsDesignSizeWithTheFocusOnTheHiddenTextBox();
    void controlsSitAtTheirDesignPlaces();
    void draggedEdgesSpringBackToTheDesignSize();
    void pointerIsAHandOverButtonsAnArrowElsewhereAndKeepsTheHourglass();
    void maximisingWithAnEmptyPaneAsksForPicturesAndStaysMaximised();
    void maximisingWithBothPicturesSwitchesToFullScreen_data();
    void maximisingWithBothPicturesSwitchesToFullScreen();
    void closingEndsTheProgramWhileTheFullScreenWindowIsLoaded();
};

namespace {

// Counts the runs of the window's resize handler, the sign that the window system's events reached it.
void countResizes(Form1& f, int& resizes) {
    f.onResize = [&f, &resizes] {
        ++resizes;
        f.Form_Resize();
    };
}

// Lets the event loop handle what it holds: a zero-delay call queued now runs after everything before it.
void settle(QWidget* window) {
    bool reached = false;
    QTimer::singleShot(0, window, [&] { reached = true; });
    QTRY_VERIFY(reached);
}

} // namespace

void MainWindowTest::startsDressedOnlyWithSkinAndPointer_data() {
    QTest::addColumn<QStringList>("files");
    QTest::newRow("without them") << QStringList();
    QTest::newRow("with them") << QStringList{QStringLiteral("x/o.cjs"), QStringLiteral("HAND-M.CUR")};
}

void MainWindowTest::startsDressedOnlyWithSkinAndPointer() {
    QFETCH(QStringList, files);
    const bool dressed = !files.isEmpty();
    MainWindowRig rig(files);
    Form1& f = *rig.form;
    QCOMPARE(f.caption(), QStringLiteral("Kestrelle"));
    QCOMPARE(desktop::applicationTitle(), QStringLiteral("Kestrelle"));
    QCOMPARE(f.backColor(), dressed ? QApplication::palette().color(QPalette::Button) : QColor(Qt::white));
    // The labels end white: their own steps come after the skin's.
    QCOMPARE(f.Label1.backColor(), QColor(Qt::white));
    QCOMPARE(f.Label2.backColor(), QColor(Qt::white));
    QCOMPARE(f.hasMouseIcon(), dressed);
    QVERIFY(f.form2Loaded());
    QVERIFY(!f.form2().isVisible());
    QVERIFY(rig.desktop.messages.isEmpty());
    QCOMPARE(f.window()->styleSheet().isEmpty(), !dressed);
}

void MainWindowTest::damagedSkinAndPointerAreReportedAndStartUpGoesOn_data() {
    QTest::addColumn<QByteArray>("pointer");
    const QByteArray garbage("\x00\x01{{{ not what it claims", 24);
    QTest::newRow("garbage") << garbage;
    const QByteArray png = pictures::encoded(pictures::plain(8, 8, qRgb(200, 40, 40)), "png");
    QTest::newRow("png pointer damaged inside its compressed data")
        << test::cursorFile({{8, 8, QPoint(), damaged::pngWithBytesAfterZlibStream(png, 4)}});
}

void MainWindowTest::damagedSkinAndPointerAreReportedAndStartUpGoesOn() {
    QFETCH(QByteArray, pointer);
    MainWindowRig rig({}, MainWindowRig::Start::later);
    QDir(rig.folder.path()).mkpath(QStringLiteral("x"));
    pictures::write(QByteArray("\x00\x01{{{ not what it claims", 24), rig.folder.path(),
                    QStringLiteral("x/o.cjs"));
    pictures::write(pointer, rig.folder.path(), QStringLiteral("HAND-M.CUR"));
    rig.start();
    const QStringList texts = rig.desktop.messageTexts();
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts[0].endsWith(MainWindowRig::report({}, "Form_Load", 100)));
    QVERIFY(texts[1].endsWith(MainWindowRig::report({}, "Form_Load", 104)));
    QVERIFY(texts[1].startsWith(QStringLiteral("Invalid picture\r\n")));
    QVERIFY(!rig.form->hasMouseIcon());
    QCOMPARE(rig.form->caption(), QStringLiteral("Kestrelle"));
    QVERIFY(rig.form->form2Loaded());
}

void MainWindowTest::opensCentredAtItsDesignSizeWithTheFocusOnTheHiddenTextBox() {
    MainWindowRig rig;
    QWidget* w = rig.form->window();
    QCOMPARE(w->size(), QSize(536, 479));
    const QPoint centre = w->screen()->availableGeometry().center();
    QVERIFY(qAbs(w->geometry().center().x() - centre.x()) <= 1);
    QVERIFY(qAbs(w->geometry().center().y() - centre.y()) <= 1);
    QTRY_COMPARE(w->focusWidget(), rig.form->Text1.widget());
    QVERIFY(!w->rect().intersects(rig.form->Text1.widget()->geometry()));
    for (ui::ScrollBar* bar :
         {&rig.form->HScroll1, &rig.form->VScroll1, &rig.form->HScroll2, &rig.form->VScroll2})
        QVERIFY(!w->rect().intersects(bar->widget()->geometry()));
    QCOMPARE(rig.form->Label1.caption(), QStringLiteral("Image File #1"));
    QCOMPARE(rig.form->Label2.caption(), QStringLiteral("Image File #2"));
}

void MainWindowTest::controlsSitAtTheirDesignPlaces() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    auto geometry = [](const ui::Control& c) { return c.widget()->geometry(); };
    QCOMPARE(geometry(f.Picture2), QRect(8, 35, 255, 299));
    QCOMPARE(geometry(f.Picture3), QRect(272, 35, 256, 297));
    QCOMPARE(geometry(f.Label1), QRect(8, 8, 256, 19));
    QCOMPARE(geometry(f.Label2), QRect(272, 8, 256, 17));
    QCOMPARE(geometry(f.PushButton3), QRect(8, 341, 256, 27));
    QCOMPARE(geometry(f.PushButton4), QRect(272, 341, 256, 27));
    QCOMPARE(geometry(f.PushButton7), QRect(8, 375, 256, 27));
    QCOMPARE(geometry(f.PushButton6), QRect(272, 375, 256, 27));
    QCOMPARE(geometry(f.PushButton9), QRect(8, 409, 256, 27));
    QCOMPARE(geometry(f.PushButton1), QRect(272, 409, 256, 27));
    QCOMPARE(geometry(f.PushButton2), QRect(8, 444, 520, 27));
    // Read back in pixels once start-up switched the unit.
    QCOMPARE(f.Picture2.width(), 255.0f);
    QCOMPARE(f.scaleWidth(), 536.0f);
    QCOMPARE(static_cast<QPushButton*>(f.PushButton9.widget())->text(),
             QStringLiteral("Load Sample/Example Files"));
    QCOMPARE(f.PushButton9.widget()->font().family(), QStringLiteral("Arial"));
    QVERIFY(f.PushButton9.widget()->font().bold());
}

void MainWindowTest::draggedEdgesSpringBackToTheDesignSize() {
    MainWindowRig rig;
    rig.form->window()->resize(700, 600);
    QTRY_COMPARE(rig.form->window()->size(), QSize(536, 479));
    QVERIFY(rig.desktop.messages.isEmpty());
}

void MainWindowTest::pointerIsAHandOverButtonsAnArrowElsewhereAndKeepsTheHourglass() {
    MainWindowRig rig({QStringLiteral("HAND-M.CUR")});
    Form1& f = *rig.form;
    QTest::mouseMove(f.PushButton3.widget(), QPoint(20, 10));
    QTRY_COMPARE(f.mousePointer(), int(ui::Form::Custom));
    QCOMPARE(f.shownCursorShape(), Qt::BitmapCursor);
    QCOMPARE(f.Picture2.widget()->cursor().shape(), Qt::BitmapCursor);
    QTest::mouseMove(f.window(), QPoint(266, 340));
    QTRY_COMPARE(f.mousePointer(), int(ui::Form::Default));
    QCOMPARE(f.shownCursorShape(), Qt::ArrowCursor);
    // Over a label nothing changes.
    f.PushButton_MouseMove();
    QTest::mouseMove(f.Label1.widget(), QPoint(30, 5));
    QCOMPARE(f.mousePointer(), int(ui::Form::Custom));
    f.setMousePointer(ui::Form::Hourglass);
    f.PushButton_MouseMove();
    f.Form_MouseMove();
    QCOMPARE(f.mousePointer(), int(ui::Form::Hourglass));
    QCOMPARE(f.shownCursorShape(), Qt::WaitCursor);
}

void MainWindowTest::maximisingWithAnEmptyPaneAsksForPicturesAndStaysMaximised() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(300, 300));
    QWidget* window = rig.form->window();
    const QSize designSize = window->size();
    rig.form->setWindowState(ui::Form::WindowState::Maximized);
    QTRY_COMPARE(rig.desktop.messageTexts(), QStringList{QStringLiteral("Please load images first.")});
    QCOMPARE(rig.desktop.messages[0].title, QStringLiteral("Kestrelle"));
    // One maximise is one resize, although the window system reports the new state and the new size apart.
    QTRY_VERIFY(window->size() != designSize);
    settle(window);
    QCOMPARE(rig.desktop.messages.size(), 1);
    QVERIFY(rig.form->isVisible());
    QCOMPARE(rig.form->windowState(), ui::Form::WindowState::Maximized);
    // Restoring does nothing more.
    const qsizetype shown = rig.desktop.messages.size();
    rig.form->setWindowState(ui::Form::WindowState::Normal);
    QTRY_COMPARE(window->size(), designSize);
    settle(window);
    QCOMPARE(rig.desktop.messages.size(), shown);
}

void MainWindowTest::maximisingWithBothPicturesSwitchesToFullScreen_data() {
    QTest::addColumn<Qt::WindowState>("state");
    QTest::newRow("maximised") << Qt::WindowMaximized;
    QTest::newRow("full screen by the window manager") << Qt::WindowFullScreen;
}

void MainWindowTest::maximisingWithBothPicturesSwitchesToFullScreen() {
    QFETCH(Qt::WindowState, state);
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(300, 300), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(400, 200), QStringLiteral("b.png"));
    // Minimising first changes nothing.
    int resizes = 0;
    countResizes(*rig.form, resizes);
    rig.form->setWindowState(ui::Form::WindowState::Minimized);
    QTRY_COMPARE(resizes, 1);
    QVERIFY(rig.form->isVisible());
    QVERIFY(!rig.form->form2().isVisible());
    rig.form->window()->setWindowState(state);
    QTRY_VERIFY(!rig.form->isVisible());
    QVERIFY(rig.form->form2().isVisible());
    QVERIFY(rig.desktop.messages.isEmpty());
}

void MainWindowTest::closingEndsTheProgramWhileTheFullScreenWindowIsLoaded() {
    MainWindowRig rig;
    QVERIFY(rig.form->form2Loaded());
    QTimer::singleShot(0, rig.form->window(), [&] { rig.form->window()->close(); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!timedOut);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
