#include "support/DamagedPictures.h"
#include "support/E2e.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QtTest>

#include <memory>

// A big picture shows its first rows while the rest of its file is still to be read, whether opened with
// "Open File 1" or named on the command line, where the window's first frame never waits for it: the
// program runs with its reads of one file held halfway for as long as a gate file exists, the gate
// preloaded into it.
class LoadingE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void firstRowsShowWhileTheFileIsRead_data();
    void firstRowsShowWhileTheFileIsRead();
    void damageFoundAtTheEndBringsTheOldPictureBack_data();
    void damageFoundAtTheEndBringsTheOldPictureBack();

private:
    // Starts the program with big.png gated, after writing bytes there and closing the gate; named, the
    // program is started with big.png on its command line.
    void startWithBigPicture(const QByteArray& bytes, bool named);
    void open(const QString& path);
    // How far pane 1 is from showing picture's top-left corner: 0 when it shows it exactly.
    int pane1From(const QImage& picture) const;

    QTemporaryDir folder_;
    QString big_;
    QString gate_;
    QImage bigPicture_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

void LoadingE2e::initTestCase() {
    QVERIFY(folder_.isValid());
    big_ = folder_.filePath(QStringLiteral("big.png"));
    gate_ = folder_.filePath(QStringLiteral("gate"));
    bigPicture_ = pictures::coordinates(900, 3000);
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void LoadingE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    QFile::remove(gate_);
    viewer_.reset();
}

void LoadingE2e::startWithBigPicture(const QByteArray& bytes, bool named) {
    pictures::write(bytes, folder_.path(), QStringLiteral("big.png"));
    QFile gate(gate_);
    QVERIFY(gate.open(QIODevice::WriteOnly));
    QProcessEnvironment environment = session_->programEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), qEnvironmentVariable("KESTRELLE_READ_GATE"));
    environment.insert(QStringLiteral("KESTRELLE_GATED_FILE"), big_);
    environment.insert(QStringLiteral("KESTRELLE_GATE_OFFSET"), QString::number(bytes.size() / 2));
    environment.insert(QStringLiteral("KESTRELLE_GATE"), gate_);
    viewer_ = std::make_unique<Viewer>(*session_, e2e::program(), named ? QStringList{big_} : QStringList(),
                                       environment);
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
}

void LoadingE2e::open(const QString& path) {
    viewer_->clickButton(QStringLiteral("Open File 1"));
    QVERIFY(viewer_->chooseInFileDialog(path));
}

int LoadingE2e::pane1From(const QImage& picture) const {
    const QImage area = viewer_->pictureArea(session_->screenshot(), 1);
    return pictures::largestDifference(area, picture.copy(QRect(QPoint(), area.size())));
}

void LoadingE2e::firstRowsShowWhileTheFileIsRead_data() {
    QTest::addColumn<bool>("named");
    QTest::newRow("opened with its button") << false;
    QTest::newRow("named on the command line") << true;
}

void LoadingE2e::firstRowsShowWhileTheFileIsRead() {
    QFETCH(bool, named);
    startWithBigPicture(pictures::encoded(bigPicture_, "PNG"), named);
    if (!named)
        open(big_);
    QCOMPARE(settle([&] { return pane1From(bigPicture_); }, 0), 0);
    QVERIFY(QFile::exists(gate_));
    QVERIFY(QFile::remove(gate_));
    QCOMPARE(settle([&] { return viewer_->boxText(QStringLiteral("^Application Error$")); }, QString()),
             QString());
    QCOMPARE(pane1From(bigPicture_), 0);
}

void LoadingE2e::damageFoundAtTheEndBringsTheOldPictureBack_data() {
    firstRowsShowWhileTheFileIsRead_data();
}

void LoadingE2e::damageFoundAtTheEndBringsTheOldPictureBack() {
    QFETCH(bool, named);
    QByteArray damaged = pictures::encoded(bigPicture_, "PNG");
    damaged[damaged.size() - 1] = char(~damaged[damaged.size() - 1]); // the end chunk's check sum
    startWithBigPicture(damaged, named);
    // Named, the pane was empty: its white frame comes back.
    QImage before = pictures::plain(300, 400, named ? qRgb(255, 255, 255) : qRgb(40, 160, 90));
    if (!named) {
        open(pictures::write(pictures::encoded(before, "PNG"), folder_.path(), QStringLiteral("before.png")));
        QCOMPARE(settle([&] { return pane1From(before); }, 0), 0);
        open(big_);
    }
    QCOMPARE(settle([&] { return pane1From(bigPicture_); }, 0), 0);
    QVERIFY(QFile::remove(gate_));
    const QString report =
        MainWindowRig::report(QStringLiteral("Invalid picture"), QStringLiteral("PushButton3_Click"), 112)
            .replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(u'\r', u'\n');
    QCOMPARE(viewer_->answerBox(QStringLiteral("^Application Error$"), report, QStringLiteral("Return")),
             report);
    QCOMPARE(settle([&] { return pane1From(before); }, 0), 0);
}

QTEST_GUILESS_MAIN(LoadingE2e)
#include "loading_e2e.moc"
