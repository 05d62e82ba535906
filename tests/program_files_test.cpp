#include "support/MainWindowRig.h"
#include "support/PatchedBytes.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/ProcessReads.h"

#include <QtTest>

#include <sys/stat.h>

// Bad files beside the program: the skin, the hand pointer and the samples. Each is reported at its own
// step, and start-up or the command carries on with the steps after it.
class ProgramFilesTest : public QObject {
    Q_OBJECT

private slots:
    void badSkinIsReportedAndStartUpGoesOn_data();
    void badSkinIsReportedAndStartUpGoesOn();
    void badPointerIsReportedAndStartUpGoesOn_data();
    void badPointerIsReportedAndStartUpGoesOn();
    void aSkinNamingAPipeIsReportedAndStartUpGoesOn();
    void badSamplesAreReportedAndTheQuestionStillComes_data();
    void badSamplesAreReportedAndTheQuestionStillComes();
};

namespace {

constexpr qint64 readBound = 48 * 1024 * 1024;
constexpr qint64 memoryBound = 48 * 1024 * 1024;

// How a file beside the program is laid down: copied from the build, left out, written from bytes, made a
// folder, written from bytes and then stretched to a size that a sparse file keeps off the disk, or made a
// named pipe that nothing ever writes to.
enum class Kind { Shipped, Missing, Bytes, Folder, Sparse, Pipe };
constexpr qint64 sparseSize = qint64(3) << 30;

QByteArray shipped(const QString& relative) {
    QFile file(MainWindowRig::buildFile(relative));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no %s in the build", qPrintable(relative));
    return file.readAll();
}

void lay(MainWindowRig& rig, const QString& relative, Kind kind, const QByteArray& bytes) {
    const QDir dir(rig.folder.path());
    const QString path = dir.filePath(relative);
    dir.mkpath(QFileInfo(path).path());
    switch (kind) {
    case Kind::Shipped:
        QFile::copy(MainWindowRig::buildFile(relative), path);
        break;
    case Kind::Missing:
        break;
    case Kind::Bytes:
        pictures::write(bytes, QFileInfo(path).path(), QFileInfo(path).fileName());
        break;
    case Kind::Folder:
        dir.mkpath(relative);
        break;
    case Kind::Sparse: {
        QFile file(pictures::write(bytes, QFileInfo(path).path(), QFileInfo(path).fileName()));
        file.resize(sparseSize);
        break;
    }
    case Kind::Pipe:
        if (mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            qFatal("cannot make the pipe %s", qPrintable(path));
        break;
    }
}

// Starts the window over the files laid down, within bounds of bytes read and memory.
void startWithin(MainWindowRig& rig) {
    const PeakMemoryWatch memory;
    const ReadWatch reads;
    rig.start();
    QCOMPARE_LT(reads.growth(), readBound);
    QCOMPARE_LT(memory.growth(), memoryBound);
}

// What start-up does after its skin and pointer steps.
void verifyLaterStepsRan(Form1& f) {
    QCOMPARE(f.caption(), QStringLiteral("Kestrelle"));
    // Sizes read in pixels, and an arrow key reaches the window, and so the panes, from whatever control
    // holds the focus.
    QCOMPARE(f.Picture2.width(), 255.0f);
    QWidget* focused = f.window()->focusWidget();
    QTest::keyClick(focused ? focused : f.window(), Qt::Key_Down);
    QCOMPARE(f.VScroll1.value(), 1);
    QVERIFY(f.form2Loaded());
}

} // namespace

void ProgramFilesTest::badSkinIsReportedAndStartUpGoesOn_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    const auto bytes = int(Kind::Bytes);
    const QByteArray rule("QPushButton { color: red; }\n");
    QTest::newRow("empty") << bytes << QByteArray();
    QTest::newRow("binary") << bytes << pictures::noise(4096);
    QTest::newRow("binary after a good rule") << bytes << rule + pictures::noise(4096);
    QTest::newRow("a picture") << bytes << pictures::encoded(pictures::coordinates(40, 40), "png");
    QTest::newRow("UTF-16 text") << bytes
                                 << QByteArray(
                                        reinterpret_cast<const char*>(QString::fromLatin1(rule).utf16()),
                                        rule.size() * 2);
    QTest::newRow("good rules over a megabyte") << bytes << rule.repeated(1024 * 1024 / rule.size() + 1);
    QTest::newRow("good rule, then 3 GB of nothing") << int(Kind::Sparse) << rule;
    QTest::newRow("unclosed brace") << bytes << QByteArray("QPushButton { color: red;");
    QTest::newRow("rule inside a rule") << bytes << QByteArray("QWidget { QPushButton { color: red; } }");
    QTest::newRow("unterminated comment") << bytes << rule + "/* the end";
}

void ProgramFilesTest::badSkinIsReportedAndStartUpGoesOn() {
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    MainWindowRig rig({QStringLiteral("HAND-M.CUR")}, MainWindowRig::Start::later);
    lay(rig, QStringLiteral("x/o.cjs"), Kind(kind), bytes);
    startWithin(rig);
    QCOMPARE(rig.desktop.messageTexts(),
             QStringList{MainWindowRig::report(QStringLiteral("Invalid skin file"), "Form_Load", 100)});
    QCOMPARE(rig.desktop.messages[0].title, QStringLiteral("Application Error"));
    QVERIFY(rig.form->window()->styleSheet().isEmpty());
    QVERIFY(rig.form->hasMouseIcon());
    verifyLaterStepsRan(*rig.form);
}

void ProgramFilesTest::badPointerIsReportedAndStartUpGoesOn_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("description");
    const auto bytes = int(Kind::Bytes);
    const QString invalid = QStringLiteral("Invalid picture");
    const QByteArray hand = shipped(QStringLiteral("HAND-M.CUR"));
    for (const qsizetype cut :
         {qsizetype(4), qsizetype(6), qsizetype(22), qsizetype(62), hand.size() / 2, hand.size() - 1})
        QTest::addRow("cut to %lld of %lld bytes", qint64(cut), qint64(hand.size()))
            << bytes << hand.left(cut) << invalid;
    QTest::newRow("empty") << bytes << QByteArray() << invalid;
    QTest::newRow("random bytes") << bytes << pictures::noise(4096) << invalid;
    const QImage picture = pictures::coordinates(32, 32);
    for (const char* format : {"png", "bmp", "jpeg", "gif"})
        QTest::addRow("%s renamed", format) << bytes << pictures::encoded(picture, format) << invalid;
    QTest::newRow("cursor, then 3 GB of nothing") << int(Kind::Sparse) << hand << invalid;
    QTest::newRow("folder") << int(Kind::Folder) << QByteArray() << "File not found";
    QTest::newRow("pipe") << int(Kind::Pipe) << QByteArray() << "File not found";
}

void ProgramFilesTest::badPointerIsReportedAndStartUpGoesOn() {
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, description);
    MainWindowRig rig({QStringLiteral("x/o.cjs")}, MainWindowRig::Start::later);
    lay(rig, QStringLiteral("HAND-M.CUR"), Kind(kind), bytes);
    startWithin(rig);
    QCOMPARE(rig.desktop.messageTexts(), QStringList{MainWindowRig::report(description, "Form_Load", 104)});
    QVERIFY(!rig.form->hasMouseIcon());
    QVERIFY(!rig.form->window()->styleSheet().isEmpty());
    verifyLaterStepsRan(*rig.form);
}

void ProgramFilesTest::aSkinNamingAPipeIsReportedAndStartUpGoesOn() {
    MainWindowRig rig({QStringLiteral("HAND-M.CUR")}, MainWindowRig::Start::later);
    lay(rig, QStringLiteral("x/face.png"), Kind::Pipe, {});
    lay(rig, QStringLiteral("x/o.cjs"), Kind::Bytes, "QPushButton { background-image: url(face.png); }");
    startWithin(rig);
    QCOMPARE(rig.desktop.messageTexts(),
             QStringList{MainWindowRig::report(QStringLiteral("Invalid skin file"), "Form_Load", 100)});
    QVERIFY(rig.form->window()->styleSheet().isEmpty());
    verifyLaterStepsRan(*rig.form);
}

void ProgramFilesTest::badSamplesAreReportedAndTheQuestionStillComes_data() {
    QTest::addColumn<int>("kind1");
    QTest::addColumn<QByteArray>("bytes1");
    QTest::addColumn<int>("kind2");
    QTest::addColumn<QByteArray>("bytes2");
    QTest::addColumn<QStringList>("reports");
    const auto ok = int(Kind::Shipped);
    const auto bytes = int(Kind::Bytes);
    const QString invalid = QStringLiteral("Invalid picture");
    const auto at = [](const QString& description, int line) {
        return MainWindowRig::report(description, "PushButton9_Click", line);
    };
    const QByteArray sample = shipped(QStringLiteral("Samples/sample1.bmp"));
    const QByteArray huge = patched<qint32>(patched<qint32>(sample, 18, 60000), 22, 60000);

    QTest::newRow("first missing") << int(Kind::Missing) << QByteArray() << ok << QByteArray()
                                   << QStringList{at("File not found", 106)};
    QTest::newRow("second missing") << ok << QByteArray() << int(Kind::Missing) << QByteArray()
                                    << QStringList{at("File not found", 112)};
    QTest::newRow("first cut in half")
        << bytes << sample.left(sample.size() / 2) << ok << QByteArray() << QStringList{at(invalid, 106)};
    QTest::newRow("second random bytes") << ok << QByteArray() << bytes << pictures::noise(4096)
                                         << QStringList{at("Unsupported picture format", 112)};
    QTest::newRow("both empty") << bytes << QByteArray() << bytes << QByteArray()
                                << QStringList{at(invalid, 106), at(invalid, 112)};
    QTest::newRow("both missing") << int(Kind::Missing) << QByteArray() << int(Kind::Missing) << QByteArray()
                                  << QStringList{at("File not found", 106), at("File not found", 112)};
    // Both decode at once, yet the reports keep the steps' order and lines.
    QTest::newRow("first missing, second damaged")
        << int(Kind::Missing) << QByteArray() << bytes << QByteArray("BM") + QByteArray(60, '\x7f')
        << QStringList{at("File not found", 106), at(invalid, 112)};
    QTest::newRow("first a folder") << int(Kind::Folder) << QByteArray() << ok << QByteArray()
                                    << QStringList{at("Path/File access error", 106)};
    QTest::newRow("second claims 60000 x 60000")
        << ok << QByteArray() << bytes << huge
        << QStringList{at("Picture too large: 60000 x 60000 pixels", 112)};
    QTest::newRow("first 3 GB") << int(Kind::Sparse)
                                << pictures::encoded(pictures::coordinates(40, 30), "ico") << ok
                                << QByteArray() << QStringList{at("Out of memory", 106)};
}

void ProgramFilesTest::badSamplesAreReportedAndTheQuestionStillComes() {
    QFETCH(int, kind1);
    QFETCH(QByteArray, bytes1);
    QFETCH(int, kind2);
    QFETCH(QByteArray, bytes2);
    QFETCH(QStringList, reports);
    MainWindowRig rig({}, MainWindowRig::Start::later);
    lay(rig, QStringLiteral("Samples/sample1.bmp"), Kind(kind1), bytes1);
    lay(rig, QStringLiteral("Samples/sample2.bmp"), Kind(kind2), bytes2);
    rig.start();
    rig.open(1, pictures::coordinates(300, 200), QStringLiteral("a.png"));
    rig.open(2, pictures::coordinates(200, 300), QStringLiteral("b.png"));
    Form1& f = *rig.form;
    const qint64 before[] = {f.Picture1.pictureHandle(), f.Picture4.pictureHandle()};
    const QImage shown[] = {f.Picture1.image().copy(), f.Picture4.image().copy()};

    rig.desktop.messageAnswers.assign(reports.size(), desktop::MsgResult::Ok);
    rig.desktop.messageAnswers.push_back(desktop::MsgResult::No);
    const PeakMemoryWatch memory;
    const ReadWatch reads;
    f.PushButton9_Click();
    QCOMPARE_LT(reads.growth(), readBound);
    QCOMPARE_LT(memory.growth(), memoryBound);

    QStringList texts = rig.desktop.messageTexts();
    QVERIFY(!texts.isEmpty() && texts.takeLast().startsWith(QStringLiteral("Would you like")));
    QCOMPARE(texts, reports);
    QVERIFY(rig.desktop.openedFolders.isEmpty());
    // A sample that failed leaves its pane as it was; one that loaded replaces the picture.
    const bool failed[] = {Kind(kind1) != Kind::Shipped, Kind(kind2) != Kind::Shipped};
    const ui::PictureBox* boxes[] = {&f.Picture1, &f.Picture4};
    for (int i = 0; i < 2; ++i) {
        if (failed[i]) {
            QCOMPARE(boxes[i]->pictureHandle(), before[i]);
            QCOMPARE(boxes[i]->image(), shown[i]);
        } else {
            QVERIFY(boxes[i]->pictureHandle() != before[i]);
        }
    }
    QCOMPARE(f.mousePointer(), int(ui::Form::Default));
}

QTEST_MAIN(ProgramFilesTest)
#include "program_files_test.moc"
