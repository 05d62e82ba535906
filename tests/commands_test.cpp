#include "support/MainWindowRig.h"
#include "support/Pictures.h"

#include "desktop/Failure.h"

#include <QtTest>

// The seven commands and the keys, driven on the real main window over a scripted desktop.
class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void openShowsTheDialogWithItsTextsAndFitsThePicture();
    void cancelChangesNothing();
    void damagedFileIsReportedAtLoadAndThePaneKeepsItsPicture();
    void openingAgainReplacesThePictureFromItsCorner();
    void clearEmptiesOnlyThePictureAndFullScreenThenAsks();
    void samplesLoadBothThenAskAboutTheFolder();
    void failingQuestionGoesOnToOpenTheFolder();
    void helpShowsTheKeyboardText();
    void fullScreenHandsOverPicturesSharingTheirPixels();
    void arrowKeysMoveBothPanesByOneOrTwoStepsByFocus();
    void pictureTooWideToPanIsReportedAtTheFit();
};

void CommandsTest::openShowsTheDialogWithItsTextsAndFitsThePicture() {
    MainWindowRig rig;
    // The window gets a turn of the event loop with the hourglass on before the picture loads, so the
    // hourglass reaches the screen.
    Qt::CursorShape shownBeforeTheLoad = Qt::BlankCursor;
    QTimer::singleShot(0, rig.form->window(), [&] {
        if (rig.form->Picture1.pictureHandle() == 0)
            shownBeforeTheLoad = rig.form->shownCursorShape();
    });
    rig.open(1, pictures::coordinates(1255, 350));
    QCOMPARE(shownBeforeTheLoad, Qt::WaitCursor);
    QCOMPARE(rig.desktop.dialogTitles,
             QStringList{QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files")});
    QCOMPARE(rig.desktop.dialogFilters,
             QStringList{QStringLiteral("Image Files (*.jpg;*.jpeg;*.bmp;*.gif)|*.jpg;*.jpeg;*.bmp;*.gif")});
    Form1& f = *rig.form;
    QVERIFY(f.Picture1.pictureHandle() != 0);
    QCOMPARE(f.Picture1.widget()->size(), QSize(1255, 350));
    QCOMPARE(f.Picture1.widget()->pos(), QPoint(0, 0));
    QCOMPARE(f.HScroll1.max(), 100);
    QCOMPARE(f.pane1.HScrollUnit, 10);
    QCOMPARE(f.VScroll1.max(), 51);
    QCOMPARE(f.pane1.VScrollUnit, 1);
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));
    QVERIFY(rig.desktop.messages.isEmpty());
    // Pane 2 is untouched.
    QCOMPARE(f.Picture4.pictureHandle(), 0);
}

void CommandsTest::cancelChangesNothing() {
    MainWindowRig rig;
    rig.open(2, pictures::coordinates(400, 400));
    Form1& f = *rig.form;
    f.HScroll2.setValue(3);
    const qint64 before = f.Picture4.pictureHandle();
    rig.desktop.fileAnswers.push_back(QString());
    f.PushButton4_Click();
    QCOMPARE(f.Picture4.pictureHandle(), before);
    QCOMPARE(f.HScroll2.value(), 3);
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));
    QVERIFY(rig.desktop.messages.isEmpty());
}

void CommandsTest::damagedFileIsReportedAtLoadAndThePaneKeepsItsPicture() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(400, 300));
    Form1& f = *rig.form;
    f.HScroll1.setValue(4);
    const qint64 before = f.Picture1.pictureHandle();
    const QString bad = QDir(rig.folder.path()).filePath(QStringLiteral("not-a-picture.jpg"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is text, not a picture");
    file.close();
    rig.desktop.fileAnswers.push_back(bad);
    f.PushButton3_Click();
    QCOMPARE(rig.desktop.messages.size(), 1);
    QCOMPARE(rig.desktop.messages[0].text,
             MainWindowRig::report("Unsupported picture format", "PushButton3_Click", 112));
    QCOMPARE(f.Picture1.pictureHandle(), before);
    // The fit still ran on what the pane holds.
    QCOMPARE(f.HScroll1.value(), 0);
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));
    // A file that vanished after it was chosen.
    rig.desktop.fileAnswers.push_back(QDir(rig.folder.path()).filePath(QStringLiteral("gone.png")));
    f.PushButton3_Click();
    QCOMPARE(rig.desktop.messages[1].text, MainWindowRig::report("File not found", "PushButton3_Click", 112));
}

void CommandsTest::openingAgainReplacesThePictureFromItsCorner() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(900, 900), QStringLiteral("a.png"));
    Form1& f = *rig.form;
    f.HScroll1.setValue(20);
    f.VScroll1.setValue(20);
    rig.open(1, pictures::coordinates(100, 80), QStringLiteral("b.png"));
    QCOMPARE(f.Picture1.widget()->geometry(), QRect(0, 0, 100, 80));
    QCOMPARE(f.pane1.HScrollUnit, 0);
    QVERIFY(!f.HScroll1.enabled());
}

void CommandsTest::clearEmptiesOnlyThePictureAndFullScreenThenAsks() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(900, 900), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(900, 900), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    f.VScroll1.setValue(6);
    f.PushButton7_Click();
    QCOMPARE(f.Picture1.pictureHandle(), 0);
    QCOMPARE(f.Picture1.widget()->size(), QSize(900, 900));
    QCOMPARE(f.VScroll1.value(), 6);
    QCOMPARE(f.VScroll1.max(), 60);
    QVERIFY(f.Picture4.pictureHandle() != 0);
    f.PushButton7_Click();
    QVERIFY(rig.desktop.messages.isEmpty());
    f.PushButton1_Click();
    QCOMPARE(rig.desktop.messageTexts(), QStringList{QStringLiteral("Please load images first.")});
    QCOMPARE(rig.desktop.messages[0].buttons, desktop::MsgButtons::OkOnly);
    QCOMPARE(rig.desktop.messages[0].icon, desktop::MsgIcon::None);
    QVERIFY(f.isVisible());
    QVERIFY(!f.form2().isVisible());
}

void CommandsTest::samplesLoadBothThenAskAboutTheFolder() {
    MainWindowRig rig({QStringLiteral("Samples/sample1.bmp"), QStringLiteral("Samples/sample2.bmp")});
    Form1& f = *rig.form;
    bool bothShownWhenAsked = false;
    rig.desktop.whileMessageShown = [&](const FakeDesktop::Message&) {
        bothShownWhenAsked = f.Picture1.pictureHandle() != 0 && f.Picture4.pictureHandle() != 0;
    };
    rig.desktop.messageAnswers.push_back(desktop::MsgResult::No);
    f.PushButton9_Click();
    QVERIFY(bothShownWhenAsked);
    QCOMPARE(rig.desktop.messages.size(), 1);
    QCOMPARE(rig.desktop.messages[0].text,
             QStringLiteral(
                 "Would you like this software to open the folder where these sample files are stored (so "
                 "that you can view them before working with them)?"));
    QCOMPARE(rig.desktop.messages[0].buttons, desktop::MsgButtons::YesNo);
    QCOMPARE(rig.desktop.messages[0].title, QStringLiteral("Kestrelle"));
    QVERIFY(rig.desktop.openedFolders.isEmpty());
    QVERIFY(f.pane1.HScrollUnit != 0 && f.pane2.VScrollUnit != 0);

    rig.desktop.messageAnswers.push_back(desktop::MsgResult::Yes);
    f.PushButton9_Click();
    QCOMPARE(rig.desktop.openedFolders,
             QStringList{QDir(rig.folder.path()).filePath(QStringLiteral("Samples"))});

    // An opener that cannot start is reported at the step that opens the folder.
    rig.desktop.folderFailure = QStringLiteral("File not found");
    f.PushButton9_Click();
    QCOMPARE(rig.desktop.messages.size(), 4);
    QCOMPARE(rig.desktop.messages[3].text, MainWindowRig::report(QStringLiteral("File not found"),
                                                                 QStringLiteral("PushButton9_Click"), 120));
}

void CommandsTest::failingQuestionGoesOnToOpenTheFolder() {
    MainWindowRig rig({QStringLiteral("Samples/sample1.bmp"), QStringLiteral("Samples/sample2.bmp")});
    bool asked = false;
    rig.desktop.whileMessageShown = [&](const FakeDesktop::Message&) {
        if (!asked) {
            asked = true;
            throw desktop::Failure(QStringLiteral("Out of memory"));
        }
    };
    rig.form->PushButton9_Click();
    QCOMPARE(rig.desktop.messages.size(), 2);
    QCOMPARE(rig.desktop.messages[1].text, MainWindowRig::report("Out of memory", "PushButton9_Click", 118));
    QCOMPARE(rig.desktop.openedFolders.size(), 1);
}

void CommandsTest::helpShowsTheKeyboardText() {
    MainWindowRig rig;
    rig.form->PushButton2_Click();
    QCOMPARE(rig.desktop.messages.size(), 1);
    QCOMPARE(rig.desktop.messages[0].text,
             QStringLiteral(
                 "Use arrow keys on keyboard to move around picture. Press down arrow to move down, right "
                 "arrow to move right, up arrow to move up, left arrow to move left.\r\n\rYou may need "
                 "to click on picture to enable keyboard arrows."));
    QCOMPARE(rig.desktop.messages[0].buttons, desktop::MsgButtons::OkOnly);
    QCOMPARE(rig.desktop.messages[0].icon, desktop::MsgIcon::None);
    QCOMPARE(rig.desktop.messages[0].title, QStringLiteral("Kestrelle"));
}

void CommandsTest::fullScreenHandsOverPicturesSharingTheirPixels() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(2000, 1500), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(1500, 2000), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    f.PushButton1_Click();
    QVERIFY(!f.isVisible());
    Form2& full = f.form2();
    QVERIFY(full.isVisible());
    // A copy that duplicated the pixels would have its own buffer.
    QCOMPARE(full.Picture1.image().constBits(), f.Picture1.image().constBits());
    QCOMPARE(full.Picture4.image().constBits(), f.Picture4.image().constBits());
    QVERIFY(rig.desktop.messages.isEmpty());
}

void CommandsTest::arrowKeysMoveBothPanesByOneOrTwoStepsByFocus() {
    MainWindowRig rig;
    rig.open(1, pictures::coordinates(1000, 1000), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(1000, 1000), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    QTRY_COMPARE(f.window()->focusWidget(), f.Text1.widget());
    rig.press(Qt::Key_Down);
    QCOMPARE(f.VScroll1.value(), 1);
    QCOMPARE(f.VScroll2.value(), 1);
    QCOMPARE(f.Picture1.widget()->y(), -10);
    QCOMPARE(f.Picture4.widget()->y(), -10);
    QTest::mouseClick(f.Picture1.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(f.window()->focusWidget(), f.Picture1.widget());
    rig.press(Qt::Key_Down);
    QCOMPARE(f.VScroll1.value(), 3);
    QCOMPARE(f.VScroll2.value(), 3);
    QTest::mouseClick(f.Picture4.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    rig.press(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(f.HScroll1.value(), 2);
    QCOMPARE(f.HScroll2.value(), 2);
    QCOMPARE(f.Picture4.widget()->x(), -20);
    rig.press(Qt::Key_A);
    rig.press(Qt::Key_Escape);
    QCOMPARE(f.HScroll1.value(), 2);
    QCOMPARE(f.VScroll1.value(), 3);
    // Left from 1 with the picture focused: the second run finds the bar at 0 already.
    f.HScroll1.setValue(1);
    QTest::mouseClick(f.Picture1.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    rig.press(Qt::Key_Left);
    QCOMPARE(f.HScroll1.value(), 0);
    rig.press(Qt::Key_Left);
    QCOMPARE(f.HScroll1.value(), 0);
}

void CommandsTest::pictureTooWideToPanIsReportedAtTheFit() {
    MainWindowRig rig;
    rig.open(1, pictures::plain(340000, 2, qRgb(1, 2, 3)), QStringLiteral("wide.bmp"));
    const QStringList texts = rig.desktop.messageTexts();
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts[0].startsWith(QStringLiteral("Picture too large to pan")));
    QVERIFY(texts[0].endsWith(MainWindowRig::report({}, "PushButton3_Click", 114)));
    QCOMPARE(rig.form->mousePointer(), int(ui::Form::Default));
}

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
