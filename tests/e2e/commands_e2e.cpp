#include "support/CodedPicture.h"
#include "support/E2e.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QtTest>

#include <memory>

// Commands that end in a message box leave the program running, however the steps before went, and one
// maximise asks once. The program runs from a copy of its folder whose samples each test lays out.
class CommandsE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void failedSamplesLeaveTheProgramRunning_data();
    void failedSamplesLeaveTheProgramRunning();
    void maximisingWithAPaneEmptyAsksOnce();
    void aTypedNameWithQuotesOpensThatFile();

private:
    void startIn(const QString& folder);
    // Waits for a box with that title to have the keyboard, presses the key and waits for the box to go and,
    // unless another box follows, for the main window to have the keyboard again. Returns the box's size on
    // the screen, or an empty size when any of that failed.
    QSize answer(const QString& titlePattern, const QString& key, bool anotherFollows = false);
    // Help brings its box up over a program that is still running and taking clicks.
    void verifyStillRunning();

    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
    std::unique_ptr<QTemporaryDir> folder_;
};

namespace {

const QString errorTitle = QStringLiteral("^Application Error$");
const QString boxTitle = QStringLiteral("^Kestrelle$");

enum class Samples { Missing, FirstUnreadable, Present };

} // namespace

void CommandsE2e::initTestCase() {
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void CommandsE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
    folder_.reset();
}

void CommandsE2e::startIn(const QString& folder) {
    viewer_ = std::make_unique<Viewer>(*session_, folder + QStringLiteral("/kestrelle"));
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
}

QSize CommandsE2e::answer(const QString& titlePattern, const QString& key, bool anotherFollows) {
    const QString box = viewer_->waitForWindow(titlePattern);
    if (box.isEmpty() || !viewer_->waitUntilFocused(box))
        return {};
    const QSize size = session_->clientRect(box).size();
    session_->press({key});
    if (!viewer_->waitUntilGone(box) ||
        (!anotherFollows && !viewer_->waitUntilFocused(viewer_->mainWindow())))
        return {};
    return size;
}

void CommandsE2e::verifyStillRunning() {
    QVERIFY(viewer_->process().running());
    viewer_->readClientRect();
    viewer_->clickButton(QStringLiteral("Help"));
    QVERIFY2(answer(boxTitle, QStringLiteral("Return")).isValid(), "no help after the command");
    QVERIFY(viewer_->process().running());
}

void CommandsE2e::failedSamplesLeaveTheProgramRunning_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("reports");
    QTest::newRow("no Samples folder, No") << int(Samples::Missing) << "n" << 2;
    QTest::newRow("no Samples folder, Yes") << int(Samples::Missing) << "y" << 2;
    QTest::newRow("first sample unreadable, No") << int(Samples::FirstUnreadable) << "n" << 1;
}

void CommandsE2e::failedSamplesLeaveTheProgramRunning() {
    QFETCH(int, samples);
    QFETCH(QString, key);
    QFETCH(int, reports);
    folder_ = std::make_unique<QTemporaryDir>();
    const QDir built = QFileInfo(e2e::program()).absoluteDir();
    const QDir copy(folder_->path());
    QVERIFY(
        QFile::copy(built.filePath(QStringLiteral("kestrelle")), copy.filePath(QStringLiteral("kestrelle"))));
    if (Samples(samples) == Samples::FirstUnreadable) {
        QVERIFY(copy.mkpath(QStringLiteral("Samples")));
        QFile damaged(copy.filePath(QStringLiteral("Samples/sample1.bmp")));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("BM and nothing more") > 0);
        damaged.close();
        QVERIFY(QFile::copy(built.filePath(QStringLiteral("Samples/sample2.bmp")),
                            copy.filePath(QStringLiteral("Samples/sample2.bmp"))));
    }
    startIn(folder_->path());

    viewer_->clickButton(QStringLiteral("Load Sample/Example Files"));
    for (int i = 0; i < reports; ++i)
        QVERIFY2(answer(errorTitle, QStringLiteral("Return"), true).isValid(), "no error report to answer");
    QVERIFY2(answer(boxTitle, key).isValid(), "the main window did not come back after the question");
    verifyStillRunning();
    if (key == QLatin1String("y"))
        QVERIFY(
            settle([this] { return session_->openedThings().contains(QStringLiteral("/Samples")); }, true));
}

void CommandsE2e::maximisingWithAPaneEmptyAsksOnce() {
    startIn(QFileInfo(e2e::program()).absolutePath());
    viewer_->clickButton(QStringLiteral("Load Sample/Example Files"));
    QVERIFY(answer(boxTitle, QStringLiteral("n")).isValid());
    viewer_->clickButton(QStringLiteral("Clear File 2"));

    session_->run(QStringLiteral("wmctrl"),
                  {QStringLiteral("-i"), QStringLiteral("-r"), viewer_->mainWindow(), QStringLiteral("-b"),
                   QStringLiteral("add,maximized_vert,maximized_horz")});
    const QSize please = answer(boxTitle, QStringLiteral("Return"));
    QVERIFY2(please.isValid(), "no single box to answer after the maximise");
    QVERIFY(session_
                ->run(QStringLiteral("xprop"),
                      {QStringLiteral("-id"), viewer_->mainWindow(), QStringLiteral("_NET_WM_STATE")})
                .contains("MAXIMIZED"));
    // A second box would stand in the way of Help, and be the one that answers the click.
    viewer_->readClientRect();
    viewer_->clickButton(QStringLiteral("Help"));
    const QSize help = answer(boxTitle, QStringLiteral("Return"));
    QVERIFY2(help.isValid() && help != please, "the box after Help is another \"Please load images first.\"");
}

// The file dialog offers one file; a name typed with double quotes in it is that name.
void CommandsE2e::aTypedNameWithQuotesOpensThatFile() {
    startIn(QFileInfo(e2e::program()).absolutePath());
    QTemporaryDir pictures;
    const QString path = pictures.filePath(QStringLiteral("say \"cheese\" it's.bmp"));
    QVERIFY(coded::picture(1, QSize(300, 200)).save(path, "BMP"));
    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(path));
    QVERIFY(viewer_->waitUntilFocused(viewer_->mainWindow()));
    const QString shown = coded::panes(coded::shows(1, 0, 0), QStringLiteral("empty"));
    QCOMPARE(settle([this] { return viewer_->panes(); }, shown), shown);
}

QTEST_GUILESS_MAIN(CommandsE2e)
#include "commands_e2e.moc"
