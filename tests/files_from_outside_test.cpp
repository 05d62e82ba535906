#include "support/MainWindowRig.h"
#include "support/Pictures.h"

#include "app/CommandLine.h"
#include "app/PlatformChoice.h"
#include "pane/PanePreview.h"

#include <QMimeData>
#include <QtTest>

// Pictures that come from outside the program: named on its command line or dropped on a pane. Each goes
// through its pane's open command, as if that command's dialog had answered with its name.
class FilesFromOutsideTest : public QObject {
    Q_OBJECT

private slots:
    void helpVersionAndUnknownOptionsEndAtOnce();
    void filesBecomeAbsoluteAndOnlyTwoAreKept();
    void platformIsChosenOnPurpose();
    void namedFilesOpenThroughTheOpenCommandsWithoutADialog();
    void badNamedFileGetsTheOpenCommandsReport();
    void droppedFileOpensIntoThePaneItFellOn();
    void twoDroppedFilesFillBothPanes();
    void dragsWithoutLocalFilesAreRefused();
    void droppedNonPictureGetsTheUsualReport();
};

namespace {

QString reportAt(const QString& description, int button) {
    return MainWindowRig::report(description, QStringLiteral("PushButton%1_Click").arg(button), 112);
}

std::unique_ptr<QMimeData> filesData(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// Drags the data over a pane's frame and, when the frame takes it, drops it there; true when taken.
bool drop(ui::PictureBox& frame, const QMimeData& data) {
    QWidget* target = frame.widget();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

void FilesFromOutsideTest::helpVersionAndUnknownOptionsEndAtOnce() {
    const CommandLine help({QStringLiteral("a.png"), QStringLiteral("--help")});
    QCOMPARE(help.exitCode(), std::optional<int>(0));
    QCOMPARE(help.output(), CommandLine::usage());
    QVERIFY(help.errorOutput().isEmpty());

    const CommandLine version({QStringLiteral("--version")});
    QCOMPARE(version.exitCode(), std::optional<int>(0));
    QVERIFY(QRegularExpression(QStringLiteral("^kestrelle \\d+\\.\\d+\\.\\d+\n$"))
                .match(version.output())
                .hasMatch());

    const CommandLine unknown({QStringLiteral("a.png"), QStringLiteral("--zoom")});
    QCOMPARE(unknown.exitCode(), std::optional<int>(2));
    QVERIFY(unknown.output().isEmpty());
    QCOMPARE(unknown.errorOutput(),
             QStringLiteral("kestrelle: unknown option --zoom\n") + CommandLine::usage());
}

void FilesFromOutsideTest::filesBecomeAbsoluteAndOnlyTwoAreKept() {
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    const CommandLine line({QStringLiteral("-platform"), QStringLiteral("xcb"),
                            QStringLiteral("sub/../a.png"), QStringLiteral("--"), QStringLiteral("-b.png"),
                            QStringLiteral("c.gif"), QStringLiteral("d.bmp")});
    QVERIFY(!line.exitCode());
    QCOMPARE(line.files(), (QStringList{folder.filePath(QStringLiteral("a.png")),
                                        folder.filePath(QStringLiteral("-b.png"))}));
    QCOMPARE(line.errorOutput(),
             QStringLiteral("kestrelle: two pictures at a time; left out: c.gif d.bmp\n"));

    // File addresses, as some file managers hand them over, become paths; no files are no files.
    const CommandLine address({QStringLiteral("file:///tmp/with%20space.jpg")});
    QCOMPARE(address.files(), QStringList{QStringLiteral("/tmp/with space.jpg")});
    QVERIFY(address.errorOutput().isEmpty());
    QVERIFY(CommandLine({QStringLiteral("a.png"), QStringLiteral("b.png")}).errorOutput().isEmpty());
    QVERIFY(CommandLine({}).files().isEmpty());
}

void FilesFromOutsideTest::platformIsChosenOnPurpose() {
    const QString none;
    const QString x = QStringLiteral(":0");
    const QString wayland = QStringLiteral("wayland-0");
    QCOMPARE(PlatformChoice::platformFor(none, x, wayland), QStringLiteral("xcb"));
    QCOMPARE(PlatformChoice::platformFor(none, x, none), QStringLiteral("xcb"));
    QCOMPARE(PlatformChoice::platformFor(none, none, wayland), QStringLiteral("wayland"));
    QCOMPARE(PlatformChoice::platformFor(QStringLiteral("wayland"), x, wayland), none);
    QCOMPARE(PlatformChoice::platformFor(none, none, none), none);
}

void FilesFromOutsideTest::namedFilesOpenThroughTheOpenCommandsWithoutADialog() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    // Named files are watched, from before the window is built, over what their panes show first.
    QCOMPARE(Form1::paneArea(1), PanePreview::areaOf(f.pane1));
    QCOMPARE(Form1::paneArea(2), PanePreview::areaOf(f.pane2));
    const QString first =
        pictures::save(pictures::coordinates(900, 200), rig.folder.path(), QStringLiteral("a.png"));
    const QString second =
        pictures::save(pictures::coordinates(50, 60), rig.folder.path(), QStringLiteral("b.bmp"));
    f.openFiles({first, second, first});
    QCOMPARE(f.Picture1.widget()->size(), QSize(900, 200));
    QCOMPARE(f.HScroll1.max(), 64);
    QCOMPARE(f.pane1.HScrollUnit, 10);
    QCOMPARE(f.Picture4.widget()->size(), QSize(50, 60));
    QVERIFY(rig.desktop.dialogTitles.isEmpty());
    QVERIFY(rig.desktop.messages.isEmpty());
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));

    // The answer was for that one open: the button's next open shows the dialog again.
    rig.desktop.fileAnswers.push_back(QString());
    f.PushButton3_Click();
    QCOMPARE(rig.desktop.dialogTitles.size(), 1);
    QCOMPARE(f.Picture1.widget()->size(), QSize(900, 200));
}

void FilesFromOutsideTest::badNamedFileGetsTheOpenCommandsReport() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    const QString text = pictures::write("not a picture", rig.folder.path(), QStringLiteral("notes.jpg"));
    const QString good =
        pictures::save(pictures::coordinates(40, 40), rig.folder.path(), QStringLiteral("g.png"));
    f.openFiles({rig.folder.filePath(QStringLiteral("gone.gif")), text});
    QCOMPARE(rig.desktop.messageTexts(),
             (QStringList{reportAt(QStringLiteral("File not found"), 3),
                          reportAt(QStringLiteral("Unsupported picture format"), 4)}));
    QCOMPARE(f.Picture1.pictureHandle(), 0);
    QCOMPARE(f.Picture4.pictureHandle(), 0);
    f.openFile(2, good);
    QVERIFY(f.Picture4.pictureHandle() != 0);
    QCOMPARE(f.Picture1.pictureHandle(), 0);
}

void FilesFromOutsideTest::droppedFileOpensIntoThePaneItFellOn() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    const QString a =
        pictures::save(pictures::coordinates(30, 20), rig.folder.path(), QStringLiteral("a.png"));
    const QString b =
        pictures::save(pictures::coordinates(70, 80), rig.folder.path(), QStringLiteral("b.png"));
    QVERIFY(drop(f.Picture3, *filesData({a})));
    QTRY_VERIFY(f.Picture4.pictureHandle() != 0);
    QCOMPARE(f.Picture4.widget()->size(), QSize(30, 20));
    QCOMPARE(f.Picture1.pictureHandle(), 0);
    QVERIFY(drop(f.Picture2, *filesData({b})));
    QTRY_COMPARE(f.Picture1.widget()->size(), QSize(70, 80));
    QCOMPARE(f.Picture4.widget()->size(), QSize(30, 20));
    QVERIFY(rig.desktop.dialogTitles.isEmpty());
}

void FilesFromOutsideTest::twoDroppedFilesFillBothPanes() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    const QString a =
        pictures::save(pictures::coordinates(30, 20), rig.folder.path(), QStringLiteral("a.png"));
    const QString b =
        pictures::save(pictures::coordinates(70, 80), rig.folder.path(), QStringLiteral("b.png"));
    auto data = filesData({a, b});
    // A web address among them is passed over.
    data->setUrls(QList<QUrl>{QUrl(QStringLiteral("https://kestrelle.example/x.png"))} + data->urls());
    QVERIFY(drop(f.Picture3, *data));
    QTRY_VERIFY(f.Picture4.pictureHandle() != 0);
    QCOMPARE(f.Picture1.widget()->size(), QSize(30, 20));
    QCOMPARE(f.Picture4.widget()->size(), QSize(70, 80));
}

void FilesFromOutsideTest::dragsWithoutLocalFilesAreRefused() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.png"));
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://kestrelle.example/a.png"))});
    for (ui::PictureBox* frame : {&f.Picture2, &f.Picture3}) {
        QVERIFY(!drop(*frame, text));
        QVERIFY(!drop(*frame, web));
    }
    // Only the main window's panes open files; the full-screen window's refuse them.
    QVERIFY(!drop(f.form2().Picture2, *filesData({QStringLiteral("/tmp/a.png")})));
    QCoreApplication::processEvents();
    QVERIFY(rig.desktop.messages.isEmpty());
    QCOMPARE(f.Picture1.pictureHandle(), 0);
}

void FilesFromOutsideTest::droppedNonPictureGetsTheUsualReport() {
    MainWindowRig rig;
    Form1& f = *rig.form;
    rig.open(2, pictures::coordinates(60, 60));
    const qint64 before = f.Picture4.pictureHandle();
    const QString text = pictures::write("plain text", rig.folder.path(), QStringLiteral("readme.txt"));
    QVERIFY(drop(f.Picture3, *filesData({text})));
    QTRY_COMPARE(rig.desktop.messageTexts(),
                 QStringList{reportAt(QStringLiteral("Unsupported picture format"), 4)});
    QCOMPARE(f.Picture4.pictureHandle(), before);
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));
}

QTEST_MAIN(FilesFromOutsideTest)
#include "files_from_outside_test.moc"
